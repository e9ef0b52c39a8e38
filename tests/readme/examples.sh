# examples.sh: reads the examples a user would paste out of README.md; sourced by the README
# example tests, so that they run what the README says and a broken example fails a test.
#
# readme_example README NAME   prints the indented code block that follows the line
#                              "<!-- example: NAME -->", without its indentation; fails when the
#                              README has no such block.
readme_example() {
    awk -v marker="<!-- example: $2 -->" '
        $0 == marker { found = 1; next }
        !found { next }
        /^    / { sub(/^    /, ""); printf "%s", blanks; blanks = ""; print; taken = 1; next }
        /^ *$/ { if (taken) blanks = blanks "\n"; next }
        { exit }
        END { exit !taken }
    ' "$1"
}
