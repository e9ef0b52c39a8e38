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
    case_failed high_byte_escape "$PROGRAM a s /error=<#e9>t<#E9>" \
        'a?subject=s' '\xe9t\xe9'
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
    wine_write_ini "$APP/mailto.ini" $'[EMAIL]\nAddress=own@example.com\nSubject=Own'
    wine_write_ini "$APP/VANTIK.INI" $'[EMAIL]\nAddress=shared@example.com\nSubject=Shared'
    settings_opened own_ini_used mailto.ini own@example.com Own own@example.com?subject=Own FOUND

    rm "$APP/mailto.ini"
    settings_opened shared_ini_when_own_missing VANTIK.INI shared@example.com Shared \
        shared@example.com?subject=Shared

    mkdir "$APP/mailto.ini"
    settings_opened directory_named_like_own_ini VANTIK.INI shared@example.com Shared \
        shared@example.com?subject=Shared FOUND
    rmdir "$APP/mailto.ini"

    calendar_cases

    wine_write_ini "$APP/mailto.ini" $'[EMAIL]\nAddress=a`1b\nSubject=x`1y'
    settings_opened settings_values_not_unescaped mailto.ini 'a`1b' 'x`1y' 'a`1b?subject=x`1y' FOUND

    wine_write_ini "$APP/mailto.ini" $'[EMAIL]\nSubject=no address here'
    settings_no_address own_ini_without_address_no_fallback mailto.ini FOUND

    clear_settings
    settings_no_address no_settings_file VANTIK.INI
    only_empty_quoted_pairs_case
}

# The system's own calendar dates the own file: a last-write time that is local time in the years
# 1980 to 2107 counts. Rows: name, last-write time (UTC), time zone, whether the own file is used.
# (Wine's FileTimeToDosDateTime takes 2108 as well, where Windows refuses it; the native build's
# posix_files_test.cpp checks that edge.)
CALENDAR=(
    own_ini_before_1980_ignored 1975-06-01T12:00Z UTC0 no
    own_ini_first_day_of_1980 1980-01-01T12:00Z UTC0 yes
    own_ini_last_day_of_2107 2107-12-31T12:00Z UTC0 yes
    own_ini_half_past_1980_by_utc 1980-01-01T00:30Z UTC0 yes
    own_ini_still_1979_an_hour_west 1980-01-01T00:30Z '<-01>1' no
)

calendar_cases() {
    local i
    for ((i = 0; i < ${#CALENDAR[@]}; i += 4)); do
        wine_write_ini "$APP/mailto.ini" $'[EMAIL]\nAddress=own@example.com\nSubject=Own'
        touch -d "${CALENDAR[i + 1]}" "$APP/mailto.ini"
        if [ "${CALENDAR[i + 3]}" = yes ]; then
            LAUNCH_ENV="TZ=${CALENDAR[i + 2]}" settings_opened "${CALENDAR[i]}" mailto.ini \
                own@example.com Own own@example.com?subject=Own FOUND
        else
            LAUNCH_ENV="TZ=${CALENDAR[i + 2]}" settings_opened "${CALENDAR[i]}" VANTIK.INI \
                shared@example.com Shared shared@example.com?subject=Shared FOUND
        fi
    done
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
    wine_write_ini "$APP/mailto.ini" \
        $'[EMAIL]\nAddress=a@b\nSubject=s\nError=Line one<#0D><#0A>line two'
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

all_cases() {
    opened_cases
    settings_opened_cases
    wine_remove_handler
    failed_cases
    settings_failed_case
}

# --- The run-time stop ---------------------------------------------------------------------------

# A folder named in characters that the ANSI code page lacks (1252, under C.UTF-8): the program's
# path reads back with a "?" for each, and no folder name can hold a "?" (system error 123).
STOP_FOLDER=$'\xe8\xa1\xa8\xe7\xa4\xba'

# runtime_stop_case NAME ARGUMENT...: mailto.exe started from that folder on the ARGUMENTs shows
# the report in one box without owner, ends with the code and does nothing else: no window class,
# no request, no settings read.
runtime_stop_case() {
    local name=$1 offset image_size
    shift
    begin_case "$name"
    LAUNCH_ENV=LC_ALL=C.UTF-8 launch_in "$DRIVE_C/t/$STOP_FOLDER" mailto.exe "$@"
    expect_status 123
    offset=$(sed -n 's/^MessageBoxA(0,"Runtime error 123 at \([0-9A-F]\{8\}\)".*/\1/p' \
        "$CASE_DIR/calls.txt")
    expect_calls "$(
        echo 'SetCurrentDirectoryA("C:\\t\\??\\") = 0'
        message_box "Runtime error 123 at $offset" Error
    )"
    # The location is an offset into the program's image: below its SizeOfImage.
    image_size=$(read_le "$MAILTO" $(($(pe_header_offset "$MAILTO") + 24 + 56)) 4)
    [ -n "$offset" ] && [ $((16#$offset)) -gt 0 ] && [ $((16#$offset)) -lt "$image_size" ] ||
        fail "the report's location [$offset] is not inside the image ($image_size bytes)"
    expect_boxes 1
    expect_no_record
    end_case
}

runtime_stop_cases() {
    mkdir -p "$DRIVE_C/t/$STOP_FOLDER"
    cp "$MAILTO" "$DRIVE_C/t/$STOP_FOLDER/mailto.exe"
    wine_write_ini "$DRIVE_C/t/$STOP_FOLDER/mailto.ini" $'[EMAIL]\nAddress=set@example.com'
    runtime_stop_case runtime_stop_command_line someone@example.com
    runtime_stop_case runtime_stop_settings
}
