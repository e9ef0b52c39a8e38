// ini_fuzz.cpp: the native INI reader over any file contents, against what holds for every file.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

#include "platform/posix/posix_ini.h"
#include "tests/fuzz/fuzz_check.h"

using platform::read_ini_value;

// Letters and digits only: a name or value that no trimming, quoting or case rule can change.
static std::string plain(const std::string& bytes)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string text;
    for (char byte : bytes) text += letters[static_cast<unsigned char>(byte) % 62];
    return text;
}

static std::string cut(const std::string& value, std::size_t size)
{
    return value.substr(0, size > 0 ? size - 1 : 0);
}

static std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), ::toupper);
    return text;
}

static void check_found(const std::string& contents, const std::string& section,
                        const std::string& key, const std::string& default_value, std::size_t size)
{
    const std::string found = read_ini_value(contents, section, key, default_value, size);
    fuzz::require(
        found.size() < std::max<std::size_t>(size, 1) && found.find('\0') == std::string::npos,
        "a value fits its buffer and holds no zero byte");
    const std::string whole = read_ini_value(contents, section, key, default_value, 1 << 20);
    fuzz::require(whole.compare(0, found.size(), found) == 0,
                  "a smaller buffer cuts the value and changes nothing else");
    // Never found: a key name holds no "=" (a zero byte ends it), a section name no line end.
    const std::string absent_key = std::string(key.c_str()) + "=k";
    fuzz::require(read_ini_value(contents, section, absent_key, default_value, size) ==
                      read_ini_value("", section, absent_key, default_value, size),
                  "a missing key gives the default");
    fuzz::require(read_ini_value(contents, "s\ns" + section, key, plain(default_value), size) ==
                      cut(plain(default_value), size),
                  "a missing section gives a plain default as it is, cut to the buffer");
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    // Buffers around the 1,024 bytes the launcher uses are picked more often.
    const std::size_t buffer = input.ConsumeBool()
                                   ? input.ConsumeIntegralInRange<std::size_t>(1020, 1028)
                                   : input.ConsumeIntegralInRange<std::size_t>(0, 2100);
    const std::string section = input.ConsumeRandomLengthString(40);
    const std::string key = input.ConsumeRandomLengthString(40);
    const std::string default_value = input.ConsumeRandomLengthString(1100);
    const std::string value = plain(input.ConsumeRandomLengthString(1100));
    const std::string contents = input.ConsumeRemainingBytesAsString();
    check_found(contents, section, key, default_value, buffer);
    // A section put first with a plain key and value: found whatever follows, names in any case.
    const std::string name = "s" + plain(section), plain_key = "k" + plain(key);
    const std::string text = "[" + name + "]\r\n" + plain_key + "=" + value + "\n" + contents;
    fuzz::require(
        read_ini_value(text, name, plain_key, default_value, buffer) == cut(value, buffer),
        "a present key gives its value, cut to the buffer");
    fuzz::require(
        read_ini_value(text, upper(name), upper(plain_key), "", buffer) == cut(value, buffer),
        "names compare without regard to case");
    return 0;
}
