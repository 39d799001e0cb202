// SPDX-License-Identifier: MIT
// Drives a browser for web_test.sh as a user meets the page: it launches
// the browser with one page, then takes steps, one a line, from a FIFO,
// and answers each on a file of replies ("ID ok RESULT" or "ID error
// WHY"), until it is ended.
//   node browser.mjs chromium|firefox STEPS REPLIES [webgl-off]
// What it reads of the show it reads from outside: the draws WebGL is
// asked for, counted by a wrapper the page gets before any of its
// scripts, and the selected rig, from the program's memory at the address
// the program gives out, as the desktop tests read it.
import fs from 'node:fs';
import puppeteer from 'puppeteer-core';

const BROWSERS = {
    chromium: {
        browser: 'chrome',
        executablePath: '/usr/bin/chromium',
        headless: true,
        // WebGL on the CPU, and none of the browser's own traffic
        args: ['--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--no-first-run'],
    },
    // Firefox has no WebGL headless: it runs as a window on DISPLAY.
    firefox: {browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: false},
};

// The page's every draw is counted, once for each frame the show draws.
const COUNT_DRAWS = () => {
    window.cubebloomDraws = 0;
    const draw = WebGLRenderingContext.prototype.drawElements;
    WebGLRenderingContext.prototype.drawElements = function (...args) {
        window.cubebloomDraws++;
        return draw.apply(this, args);
    };
};

const STEPS = {
    // open URL WIDTH HEIGHT: the page, in a window's content of that size
    open: async (page, url, width, height) => {
        await page.setViewport({width: Number(width), height: Number(height)});
        await page.goto(url, {waitUntil: 'load'});
    },
    size: (page, width, height) => page.setViewport({width: Number(width), height: Number(height)}),
    frames: (page) => page.evaluate(() => window.cubebloomDraws),
    rig: (page) => page.evaluate(() => Module.HEAP32[Module._whichcam >> 2]),
    key: (page, key) => page.keyboard.press(key),
    click: (page) => page.mouse.click(10, 10),
    fullscreen: (page) => page.evaluate(() => document.fullscreenElement !== null),
    text: (page) => page.evaluate(() => document.body.innerText.trim()),
    shot: async (page, file) => {
        await page.screenshot({path: file});
    },
};

async function launch(name, webgl) {
    const options = {...BROWSERS[name], defaultViewport: null, protocolTimeout: 60000,
        handleSIGTERM: false, handleSIGINT: false, handleSIGHUP: false};
    if (webgl === 'webgl-off') {
        if (name === 'chromium') {
            options.args = [...options.args, '--disable-webgl', '--disable-3d-apis'];
        } else {
            options.extraPrefsFirefox = {'webgl.disabled': true};
        }
    }
    const browser = await puppeteer.launch(options);
    // Ended, it takes the browser with it. A read of the FIFO may be under
    // way, which would hold up an ordinary exit.
    process.on('SIGTERM', async () => {
        await Promise.race([browser.close(), new Promise((done) => setTimeout(done, 10000))]);
        process.kill(process.pid, 'SIGKILL');
    });
    const [page] = await browser.pages();
    await page.evaluateOnNewDocument(COUNT_DRAWS);
    return page;
}

// Each line of the FIFO is a step, "ID STEP ARG..."; a writer that is done
// closes it, and the next one opens it anew.
async function serve(page, steps, replies) {
    for (;;) {
        const lines = (await fs.promises.readFile(steps, 'utf8')).split('\n').filter((line) => line !== '');
        for (const line of lines) {
            const [id, name, ...args] = line.split(' ');
            let reply;
            try {
                const result = await STEPS[name](page, ...args);
                reply = `${id} ok ${result === undefined ? '' : String(result).replace(/\s+/g, ' ')}`;
            } catch (error) {
                reply = `${id} error ${String(error.message).replace(/\s+/g, ' ')}`;
            }
            fs.appendFileSync(replies, reply + '\n');
        }
    }
}

const [name, steps, replies, webgl] = process.argv.slice(2);
if (!(name in BROWSERS) || replies === undefined) {
    console.error('usage: node browser.mjs chromium|firefox STEPS REPLIES [webgl-off]');
    process.exit(2);
}
const page = await launch(name, webgl);
console.log('ready');
await serve(page, steps, replies);
