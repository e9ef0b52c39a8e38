# cases.sh: the Wine end-to-end cases, sourced by run.sh. Each case runs mailto.exe once and
# checks the traced calls (strings escaped as the trace shows them: \\ for a backslash, \r, \n,
# \t, \xe9), the exit status, the message boxes and what the mail handler received.

PROGRAM='"C:\t\app\mailto.exe"'
HANDLER='"C:\rec\recorder.exe"'

# --- Expected call sequences -----------------------------------------------------------------

entered_folder() {
    echo 'SetCurrentDirectoryA("C:\\t\\app\\") = 1'
}

owner_window() {
    echo 'GetClassInfoA(INST,"TPUtilWindow",PTR) = 0'
    echo 'RegisterClassA(PTR) = ATOM'
    echo 'CreateWindowExA(80,"TPUtilWindow","",80000000,0,0,0,0,0,0,INST,NULL) = OWNER'
}

# shell_request TARGET RESULT
shell_request() {
    echo "ShellExecuteA(OWNER,NULL,\"mailto:$1\",NULL,NULL,1) = $2"
}

# message_box TEXT [CAPTION]
message_box() {
    echo "MessageBoxA(0,\"$1\",\"${2:-}\",0) = 1"
}

destroyed() {
    echo 'DestroyWindow(OWNER) = 1'
}

command_line_opened() {
    entered_folder
    owner_window
    shell_request "$1" OPENED
    destroyed
}

# command_line_failed TARGET MESSAGE-TEXT
command_line_failed() {
    entered_folder
    owner_window
    shell_request "$1" FAILED
    message_box "$2\\r\\n\\r$1"
    destroyed
}

# setting_read KEY FILE FOUND|NONE COUNT: one settings read, the own file looked up afresh.
setting_read() {
    echo "FindFirstFileA(\"C:\\\\t\\\\app\\\\mailto.ini\",PTR) = $3"
    echo "GetPrivateProfileStringA(\"EMAIL\",\"$1\",\"\",PTR,1024,\"C:\\\\t\\\\app\\\\$2\") = $4"
}

# --- Command-line route: the shell opens the request ---------------------------------------------

case_opened() {
    local name=$1 line=$2 target=$3 traced=$4
    begin_case "$name"
    launch "$line"
    expect_status 0
    expect_calls "$(command_line_opened "$traced")"
    expect_boxes 0
    expect_record "$HANDLER \"mailto:$target\""
    end_case
}

opened_cases() {
    case_opened address_only "$PROGRAM someone@example.com" \
        someone@example.com someone@example.com
    case_opened address_and_subject "$PROGRAM first\`1box Hi\`1there" \
        'first box?subject=Hi there' 'first box?subject=Hi there'
    case_opened backtick_escapes "$PROGRAM a\`\`1b \`01\`0\`2" \
        'a` b?subject=`1``2' 'a` b?subject=`1``2'
    case_opened empty_quoted_pairs "$PROGRAM \"\" \"\" x" x x
    case_opened quoted_words "$PROGRAM \"two words\" x" \
        'two words?subject=x' 'two words?subject=x'
    case_opened quotes_inside_token "$PROGRAM ab\"c d\"e" 'abc de' 'abc de'
    case_opened unterminated_quote "$PROGRAM \"open" open open
    case_opened tab_separates "$PROGRAM"$'\ta@b\tsubj' 'a@b?subject=subj' 'a@b?subject=subj'
    case_opened control_byte_separates "$PROGRAM"$' a@b\x01subj' \
        'a@b?subject=subj' 'a@b?subject=subj'
    case_opened high_bytes "$PROGRAM "$'\xe9t\xe9 caf\x95\xa0x' \
        $'\xe9t\xe9?subject=caf\x95\xa0x' '\xe9t\xe9?subject=caf\x95\xa0x'
    case_opened switch_as_subject "$PROGRAM addr /error=Failed" \
        'addr?subject=/error=Failed' 'addr?subject=/error=Failed'
    long_request_case
    relative_program_name_case
}

# Past some 290 bytes the trace cuts strings: the handler shows the whole request.
long_request_case() {
    local address
    address="$(printf 'x%.0s' $(seq 1 400))@example.com"
    begin_case long_request
    launch "$PROGRAM $address"
    expect_status 0
    expect_boxes 0
    expect_record "$HANDLER \"mailto:$address\""
    end_case
}

# Argument 0 is the module's path whatever the command line's first token says.
relative_program_name_case() {
    begin_case relative_program_name
    launch 'mailto.exe x@y' 'C:\t\app\mailto.exe'
    expect_status 0
    expect_calls "$(command_line_opened x@y)"
    expect_boxes 0
    expect_record "$HANDLER \"mailto:x@y\""
    end_case
}

# --- Command-line route: the shell cannot open the request --------------------------------------

case_failed() {
    local name=$1 line=$2 target=$3 message=$4
    begin_case "$name"
    launch "$line"
    expect_status 0
    expect_calls "$(command_line_failed "$target" "$message")"
    expect_boxes 1
    expect_no_record
    end_case
}

failed_cases() {
    case_failed default_failure_text "$PROGRAM addr subj" \
        'addr?subject=subj' 'Error opening'
    case_failed failure_text_line_break "$PROGRAM addr subj /error=Cannot<#0D><#0A>start" \
        'addr?subject=subj' 'Cannot\r\nstart'
    case_failed failure_text_argument_escapes "$PROGRAM addr subj /error=Not\`1sent<#21>" \
        'addr?subject=subj' 'Not sent!'
    case_failed switch_in_argument_two "$PROGRAM addr /error=Failed" \
        'addr?subject=/error=Failed' 'Failed'
    case_failed first_switch_wins "$PROGRAM addr subj /error=One /error=Two" \
        'addr?subject=subj' 'One'
    case_failed switch_is_case_sensitive "$PROGRAM addr subj /ERROR=x" \
        'addr?subject=subj' 'Error opening'
    case_failed empty_switch "$PROGRAM addr subj /error= /error=X" \
        'addr?subject=subj' 'Error opening'
    case_failed decoded_byte_not_reexamined "$PROGRAM a s /error=<#3C>#41>" \
        'a?subject=s' '<#41>'
    case_failed malformed_escapes_kept "$PROGRAM a s /error=<#4G><#4<#" \
        'a?subject=s' '<#4G><#4<#'
    case_failed high_byte_escape "$PROGRAM a s /error=<#e9>t<#E9>" \
        'a?subject=s' '\xe9t\xe9'
    case_failed address_only_failed "$PROGRAM a@b" 'a@b' 'Error opening'
    zero_byte_failure_text_case
}

# A decoded zero byte ends the text the platform sees.
zero_byte_failure_text_case() {
    begin_case zero_byte_failure_text
    launch "$PROGRAM a s /error=<#00>abc"
    expect_status 0
    expect_calls "$(
        entered_folder
        owner_window
        shell_request 'a?subject=s' FAILED
        message_box ''
        destroyed
    )"
    expect_boxes 1
    end_case
}

# --- Settings route ------------------------------------------------------------------------------

# write_ini FILE CONTENT: CONTENT with \n line ends, written with CR LF.
write_ini() {
    printf '%s' "$2" | sed 's/$/\r/' >"$APP/$1"
}

clear_settings() {
    rm -rf "$APP/mailto.ini" "$APP/VANTIK.INI"
}

# settings_opened NAME FILE ADDRESS-AS-TRACED SUBJECT TARGET [FOUND]
settings_opened() {
    local name=$1 file=$2 address=$3 subject=$4 target=$5 found=${6:-NONE}
    begin_case "$name"
    launch "$PROGRAM"
    expect_status 0
    expect_calls "$(
        entered_folder
        setting_read Address "$file" "$found" "${#address}"
        owner_window
        setting_read Subject "$file" "$found" "${#subject}"
        shell_request "$target" OPENED
        destroyed
    )"
    expect_boxes 0
    expect_record "$HANDLER \"mailto:$target\""
    end_case
}

# settings_no_address NAME FILE [FOUND]
settings_no_address() {
    begin_case "$1"
    launch "$PROGRAM"
    expect_status 0
    expect_calls "$(
        entered_folder
        setting_read Address "$2" "${3:-NONE}" 0
        message_box 'Error - No e-mail address defined'
    )"
    expect_boxes 1
    expect_no_record
    end_case
}

settings_opened_cases() {
    clear_settings
    write_ini mailto.ini $'[EMAIL]\nAddress=own@example.com\nSubject=Own'
    write_ini VANTIK.INI $'[EMAIL]\nAddress=shared@example.com\nSubject=Shared'
    settings_opened own_ini_used mailto.ini own@example.com Own own@example.com?subject=Own FOUND

    rm "$APP/mailto.ini"
    settings_opened shared_ini_when_own_missing VANTIK.INI shared@example.com Shared \
        shared@example.com?subject=Shared

    mkdir "$APP/mailto.ini"
    settings_opened directory_named_like_own_ini VANTIK.INI shared@example.com Shared \
        shared@example.com?subject=Shared FOUND
    rmdir "$APP/mailto.ini"

    write_ini mailto.ini $'[EMAIL]\nAddress=old@example.com'
    touch -d '1975-06-01 12:00' "$APP/mailto.ini"
    settings_opened own_ini_before_1980_ignored VANTIK.INI shared@example.com Shared \
        shared@example.com?subject=Shared FOUND

    write_ini mailto.ini $'[EMAIL]\nAddress=a`1b\nSubject=x`1y'
    settings_opened settings_values_not_unescaped mailto.ini 'a`1b' 'x`1y' 'a`1b?subject=x`1y' FOUND

    write_ini mailto.ini $'[EMAIL]\nSubject=no address here'
    settings_no_address own_ini_without_address_no_fallback mailto.ini FOUND

    clear_settings
    settings_no_address no_settings_file VANTIK.INI
    only_empty_quoted_pairs_case
}

# Empty quoted pairs alone leave no argument: the settings route is taken.
only_empty_quoted_pairs_case() {
    begin_case only_empty_quoted_pairs
    launch "$PROGRAM \"\" \"\""
    expect_status 0
    expect_calls "$(
        entered_folder
        setting_read Address VANTIK.INI NONE 0
        message_box 'Error - No e-mail address defined'
    )"
    expect_boxes 1
    end_case
}

settings_failed_case() {
    clear_settings
    write_ini mailto.ini $'[EMAIL]\nAddress=a@b\nSubject=s\nError=Line one<#0D><#0A>line two'
    begin_case settings_error_line_break
    launch "$PROGRAM"
    expect_status 0
    expect_calls "$(
        entered_folder
        setting_read Address mailto.ini FOUND 3
        owner_window
        setting_read Subject mailto.ini FOUND 1
        shell_request 'a@b?subject=s' FAILED
        setting_read Error mailto.ini FOUND 26
        message_box 'Line one\r\nline two\r\n\ra@b?subject=s'
        destroyed
    )"
    expect_boxes 1
    end_case
    clear_settings
}

run_all_cases() {
    opened_cases
    settings_opened_cases
    wine_remove_handler
    failed_cases
    settings_failed_case
}
