# archive.sh: sourced by the archive checks. Gives them a throwaway work folder, fail(), and
# build_archive, which has CPack build the archive under test.

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

fail() {
    echo "FAIL: $*"
    failed=1
}

# build_archive BUILD-DIR GENERATOR FILE-NAME: builds the archive with CPack and sets archive to its
# path; ends the check when CPack fails or names the archive otherwise.
build_archive() {
    if ! timeout 120 cpack --config "$1/CPackConfig.cmake" -G "$2" -B "$work/out" \
        >"$work/cpack.log" 2>&1; then
        cat "$work/cpack.log"
        fail "cpack did not build the archive"
        exit 1
    fi
    archive="$work/out/$3"
    [ -f "$archive" ] || { fail "no $3; built: $(ls "$work/out")"; exit 1; }
}
