# archive.sh: sourced by the archive checks. Gives them the native harness (a throwaway work
# folder, the fake opener, run_program and its checks, fail), and build_archive, which has CPack
# build the archive under test.

source "$(dirname "${BASH_SOURCE[0]}")/../native/harness.sh"

# build_archive BUILD-DIR GENERATOR FILE-NAME: builds the archive with CPack and sets archive to its
# path; ends the check when CPack fails or names the archive otherwise.
build_archive() {
    if ! timeout 120 cpack --config "$1/CPackConfig.cmake" -G "$2" -B "$work/packages" \
        >"$work/cpack.log" 2>&1; then
        cat "$work/cpack.log"
        fail "cpack did not build the archive"
        exit 1
    fi
    archive="$work/packages/$3"
    [ -f "$archive" ] || { fail "no $3; built: $(ls "$work/packages")"; exit 1; }
}
