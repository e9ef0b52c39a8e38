// ini_fuzz.cpp: the native INI reader over any file contents: values fit the buffer, hold no zero
// byte, are cut and not changed by a smaller buffer, and missing names give the default.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/posix_ini.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using platform::read_ini_value;

struct query {
    std::string section, key, default_value;
    std::size_t size;
};

// Letters and digits only: a name or value that no trimming, quoting or case rule can change.
std::string plain(const std::string& bytes)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string text;
    for (char byte : bytes) text += letters[static_cast<unsigned char>(byte) % 62];
    return text;
}

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string without_zeros(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    return text;
}

// Buffers around the 1,024 bytes the launcher uses are picked more often.
std::size_t size_from(FuzzedDataProvider& input)
{
    if (input.ConsumeBool()) return input.ConsumeIntegralInRange<std::size_t>(1020, 1028);
    return input.ConsumeIntegralInRange<std::size_t>(0, 2100);
}

void check_fits(const std::string& value, std::size_t size)
{
    fuzz::require(value.size() + 1 <= (size == 0 ? 1 : size), "a value fits its buffer");
    fuzz::require(value.find('\0') == std::string::npos, "a value holds no zero byte");
}

// A line never holds a line end and a key name never an "=", so these names are never found.
void check_missing(const std::string& contents, const query& q)
{
    const std::string absent_key = without_zeros(q.key) + "=" + "k";
    const std::string absent_section = "s\ns" + without_zeros(q.section);
    const std::string fallback = read_ini_value("", q.section, q.key, q.default_value, q.size);
    fuzz::require(read_ini_value(contents, q.section, absent_key, q.default_value, q.size) ==
                      read_ini_value("", q.section, absent_key, q.default_value, q.size),
                  "a missing key gives the default");
    fuzz::require(
        read_ini_value(contents, absent_section, q.key, q.default_value, q.size) == fallback,
        "a missing section gives the default");
    const std::string default_value = plain(q.default_value);
    const std::string cut = q.size == 0 ? "" : default_value.substr(0, q.size - 1);
    fuzz::require(read_ini_value(contents, absent_section, q.key, default_value, q.size) == cut,
                  "a plain default comes back as it is, cut to the buffer");
}

// A section put first with a plain key and value: found whatever follows, names in any case.
void check_present(const std::string& contents, const query& q, const std::string& value)
{
    const std::string section = "s" + plain(q.section), key = "k" + plain(q.key);
    const std::string text = "[" + section + "]\r\n" + key + "=" + value + "\n" + contents;
    const std::string cut = q.size == 0 ? "" : value.substr(0, q.size - 1);
    fuzz::require(read_ini_value(text, section, key, q.default_value, q.size) == cut,
                  "a present key gives its value, cut to the buffer");
    fuzz::require(read_ini_value(text, upper(section), upper(key), "", q.size) == cut,
                  "names compare without regard to case");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    query q;
    q.size = size_from(input);
    q.section = input.ConsumeRandomLengthString(40);
    q.key = input.ConsumeRandomLengthString(40);
    q.default_value = input.ConsumeRandomLengthString(1100);
    const std::string value = plain(input.ConsumeRandomLengthString(1100));
    const std::string contents = input.ConsumeRemainingBytesAsString();

    const std::string found = read_ini_value(contents, q.section, q.key, q.default_value, q.size);
    check_fits(found, q.size);
    const std::string whole = read_ini_value(contents, q.section, q.key, q.default_value, 1 << 20);
    fuzz::require(whole.compare(0, found.size(), found) == 0,
                  "a smaller buffer cuts the value and changes nothing else");
    check_missing(contents, q);
    check_present(contents, q, value);
    return 0;
}
