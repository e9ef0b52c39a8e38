# worst_case.sh: the worst-case command line of the bench scripts, which source it.
#
# worst_case_arguments PROGRAM ADDRESS: prints, one a line, the arguments after PROGRAM of a
# command line of 32,767 bytes, Windows' longest: ADDRESS, then one-byte arguments, then the
# "/error=" switch last, so that the switch search walks every argument.
worst_case_arguments() {
    local program=$1 address=$2 last='/error=Could`1not`1open'
    local length=$((${#program} + 1 + ${#address}))
    local -a words=("$address")
    while [ $((length + 2 + 1 + ${#last})) -le 32767 ]; do
        words+=(x)
        length=$((length + 2))
    done
    [ $((length + 1 + ${#last})) -lt 32767 ] && words[1]=xx
    printf '%s\n' "${words[@]}" "$last"
}
