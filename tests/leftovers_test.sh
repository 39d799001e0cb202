# SPDX-License-Identifier: MIT
# Run after every window test: nothing they started is running any more.
# CTest marks each of them, and so all they start, with CUBEBLOOM_TESTS;
# whatever carries the mark now has outlived its test.
#   CUBEBLOOM_TESTS_OF=MARK bash tests/leftovers_test.sh
set -u
. "$(dirname "$0")/xsession.sh"
left=$(marked "CUBEBLOOM_TESTS=$CUBEBLOOM_TESTS_OF")
if [ -n "$left" ]; then
    echo "FAILED: still running after the window tests:"
    ps -o pid=,ppid=,etime=,args= -p "$(echo $left | tr ' ' ,)"
    exit 1
fi
echo "ok: nothing the window tests started is running"
