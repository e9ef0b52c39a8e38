#!/usr/bin/env bash
# lint.sh: every C++ source of the tree formatted as .clang-format says (clang-format 14), and
# clang-tidy with the tree's .clang-tidy over the product code that BUILD-DIR compiles: the files
# of launcher/, environment/, settings/ and platform/ in its compile_commands.json, tests aside.
# A cross build (mingw-w64) is checked for its own target, with its compiler's C++ headers. Any
# finding fails; 77 when the tools are missing.
# Usage: lint.sh BUILD-DIR
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: lint.sh BUILD-DIR}
findings=0

# The formatter the style file was written for; another version formats some lines otherwise.
format=$(command -v clang-format-14 || command -v clang-format) ||
    { echo "clang-format is not installed"; exit 77; }
"$format" --version | grep -q 'version 14\.' ||
    { echo "clang-format 14 is needed; found: $("$format" --version)"; exit 77; }
tidy=$(command -v clang-tidy-14 || command -v clang-tidy) ||
    { echo "clang-tidy is not installed"; exit 77; }
[ -f "$build/compile_commands.json" ] || { echo "no compile_commands.json in $build"; exit 1; }

# The tree's C++ files: those git knows of or would add, or, outside a checkout, all but builds.
sources() {
    if git -C "$root" rev-parse 2>/dev/null; then
        git -C "$root" ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' |
            while read -r file; do [ -f "$root/$file" ] && echo "$file"; done
    else
        (cd "$root" && find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print |
            sed 's|^\./||')
    fi
}

# The product files the build compiles, and one compiler that compiles them, a line each.
product() {
    python3 - "$build/compile_commands.json" "$root" <<'PY'
import json, os, re, shlex, sys
entries, root = json.load(open(sys.argv[1])), sys.argv[2]
seen = {}
for entry in entries:
    file = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
    if re.match(r"(launcher|environment|settings|platform)/", file) and \
            not file.endswith("_test.cpp"):
        command = entry.get("command") or " ".join(entry["arguments"])
        seen.setdefault(file, shlex.split(command)[0])
for file, compiler in sorted(seen.items()):
    print(compiler, file)
PY
}

# clang-tidy's arguments for a cross compiler: its target and its C++ library's headers (not its
# own intrinsics headers, which clang replaces with its own).
cross_arguments() {
    local compiler=$1 machine folder
    machine=$("$compiler" -dumpmachine) || return
    [[ "$machine" == *mingw* ]] || return 0
    echo "--extra-arg=--target=$machine"
    for folder in $(echo | "$compiler" -E -x c++ - -v 2>&1 |
        sed -n '/#include <...> search starts here/,/End of search list/p' | sed -n 's/^ //p'); do
        [[ "$folder" =~ /lib/gcc/[^/]*/[^/]*/include(-fixed)?$ ]] ||
            echo "--extra-arg=-isystem$(realpath "$folder")"
    done
}

cd "$root" || exit 1
mapfile -t files < <(sources)
unformatted=$("$format" --dry-run -Werror "${files[@]}" 2>&1 |
    grep -o '^[^:]*:[0-9]*:[0-9]*: error' | cut -d: -f1 | sort -u)
if [ -n "$unformatted" ]; then
    echo "FAIL not formatted as .clang-format says (clang-format-14 -i FILE):" $unformatted
    findings=1
fi
echo "formatting: ${#files[@]} files checked"

mapfile -t checked < <(product)
[ ${#checked[@]} -gt 0 ] || { echo "no product files in $build/compile_commands.json"; exit 1; }
mapfile -t extra < <(cross_arguments "${checked[0]%% *}")
if ! for line in "${checked[@]}"; do echo "${line#* }"; done |
    xargs -P 2 -n 1 "$tidy" -p "$build" --quiet "${extra[@]}" >"$build/lint-tidy.log" 2>&1; then
    echo "FAIL clang-tidy findings (all of it in $build/lint-tidy.log):"
    grep -E '(warning|error):' "$build/lint-tidy.log" | sort -u
    findings=1
fi
echo "clang-tidy: ${#checked[@]} product files checked"
[ $findings -eq 0 ] && echo "no findings"
[ $findings -eq 0 ]
