// SPDX-License-Identifier: MIT
// The page around the show. cubebloom.js takes the canvas and the keys;
// this asks the browser for full screen on a click or a key (it grants it
// on nothing else), says what the show says on standard error where the
// picture was, and says when the show has ended.
'use strict';

var HINT_MS = 4000;  // how long the note on Escape stays in full screen
var canvas = document.getElementById('show');
var said = document.getElementById('said');
var hint = document.getElementById('hint');

function say(text) {
    canvas.style.visibility = 'hidden';
    said.textContent = text;
    if (document.fullscreenElement) {
        document.exitFullscreen();
    }
}

// Escape ends the show, and is no request for full screen.
function fullscreen(event) {
    if (event.key === 'Escape' || document.fullscreenElement || !document.fullscreenEnabled) {
        return;
    }
    document.documentElement.requestFullscreen().catch(function () {});
}
document.addEventListener('click', fullscreen);
document.addEventListener('keydown', fullscreen);

// In full screen the browser keeps the first Escape for itself.
document.addEventListener('fullscreenchange', function () {
    hint.classList.toggle('shown', document.fullscreenElement !== null);
    if (document.fullscreenElement) {
        setTimeout(function () { hint.classList.remove('shown'); }, HINT_MS);
    }
});

var Module = {
    canvas: canvas,
    print: function (text) { console.log(text); },
    printErr: function (text) {
        console.error(text);
        say(text);
    },
    onExit: function (status) {
        if (status === 0) {
            say('The show has ended. Reload the page to start it again.');
        }
    },
};
