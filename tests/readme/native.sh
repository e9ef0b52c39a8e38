#!/usr/bin/env bash
# native.sh: runs the README's shell and Python examples, taken from README.md as they stand,
# against the native binary: "mailto" on PATH and build/native/mailto are the program under test,
# a fake xdg-open takes the request. Each example must hand over the request its text promises
# and, when the open fails, show the failure text it gives.
# Usage: native.sh README.md path/to/mailto
set -u
readme=${1:?usage: native.sh README.md path/to/mailto}
binary=${2:?usage: native.sh README.md path/to/mailto}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../native/harness.sh"
source "$here/examples.sh"

# The folder an example runs in, laid out as after the README's first command.
root="$work/root"
mkdir -p "$root/build/native" "$root/bin"
cp "$binary" "$root/build/native/mailto"
ln -s "$root/build/native/mailto" "$root/bin/mailto"
# The interpreter itself, not a wrapper that needs a fuller PATH than the example gets.
python=$(python3 -c 'import sys; print(sys.executable)') ||
    { echo "python3 is needed for the Python example"; exit 1; }

# run_example NAME INTERPRETER: runs the example NAME (already in $work/NAME) from the example
# folder with the program on PATH; sets status, request and errors as run_program does.
run_example() {
    run_program /bin/sh -c 'cd "$1" && PATH="$1/bin:$PATH" exec "$2" "$3"' sh \
        "$root" "$2" "$work/$1"
}

# take NAME: the README's example NAME into $work/NAME; a missing example fails the test.
take() {
    readme_example "$readme" "$1" >"$work/$1" && return 0
    check "$1" "example in README.md" "present" "missing"
    return 1
}

# The first command ends by running the program it built.
sed -n 's/^    .* && \(build\/native\/mailto .*\)$/\1/p' "$readme" | head -n1 >"$work/first"
check "first command" "program call in README.md" "1" "$(grep -c mailto "$work/first")"
run_example first /bin/sh
expect "first command" "mailto:you@example.com?subject=Hello there" ""

if take escapes; then
    run_example escapes /bin/sh
    expect "message escapes, opened" "mailto:help@example.com?subject=Printer jam" ""
    FAKE_STATUS=1 run_example escapes /bin/sh
    expect "message escapes, failed" "mailto:help@example.com?subject=Printer jam" \
        $'No mail program\r\nCall 555-0100\r\n\rhelp@example.com?subject=Printer jam\n'
fi

if take python; then
    run_example python "$python"
    expect "Python" "mailto:helpdesk@example.com?subject=Order 1234" ""
fi

finish
