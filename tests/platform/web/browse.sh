# SPDX-License-Identifier: MIT
# Sourced after xsession.sh by the browser's test and frame-rate script:
# a browser driven by browser.mjs (DRIVER names its folder, where npm has
# installed what it needs), the page served from PAGE by a static web
# host, and the page's draws.

STEPS=$WORK/steps
REPLIES=$WORK/replies

# browse STEP [ARG...]: one step of the browser's, within 60 s; prints what
# it read, and fails, saying why, where the step failed
browse() {
    local id=$BASHPID.${EPOCHREALTIME/[.,]/} reply  # unique, in subshells too
    timeout 10 sh -c 'echo "$1" >"$2"' browse "$id $*" "$STEPS" &&
        waitfor 60 grep -q "^$id " "$REPLIES" || { echo "no answer to: $*" >&2; return 1; }
    reply=$(grep "^$id " "$REPLIES")
    reply=${reply#"$id "}
    [ "${reply%% *}" = ok ] || { echo "$*: ${reply#error }" >&2; return 1; }
    echo "${reply#ok }"
}

# browser NAME [webgl-off]: the browser, up and waiting for steps
browser() {
    rm -f "$STEPS" "$REPLIES" && mkfifo "$STEPS" && touch "$REPLIES"
    launch "$1" node "$DRIVER/browser.mjs" "$1" "$STEPS" "$REPLIES" "${@:2}"
    waitfor 60 eval "grep -qx ready '$LOGS/$1.log' || ! helperup" && helperup ||
        stepfail "$1 did not start: $(tail -n 5 "$LOGS/$1.log" | tr '\n' ' ')"
}

# serve: a static web host of PAGE, on a free port; URL names the page
serve() {
    launch http /usr/bin/python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$PAGE"
    waitfor 10 grep -q "port [0-9]" "$LOGS/http.log" || { stepfail "no web host"; return 1; }
    URL=http://127.0.0.1:$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$LOGS/http.log" | head -n1)/index.html
}

frames() { browse frames 2>/dev/null | grep -x '[0-9]*' || echo 0; }  # the page's draws so far
