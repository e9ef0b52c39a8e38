// paths_fuzz.cpp: the lead-byte table, byte types, folder of a path and change of extension under
// random tables and both delimiter sets, over the path read character by character from the front.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <vector>

#include "environment/byte_types.h"
#include "environment/paths.h"
#include "platform/fake.h"
#include "tests/fuzz/fuzz_check.h"

using environment::byte_type;

static bool lead(char byte) { return environment::is_lead_byte(static_cast<unsigned char>(byte)); }

// Lead-byte pairs as the system gives them: (low, high), ending at the first pair of two zeros.
static bool in_a_pair(std::vector<unsigned char> pairs, unsigned byte)
{
    pairs.resize(12, 0);
    for (std::size_t i = 0; i < 12 && (pairs[i] != 0 || pairs[i + 1] != 0); i += 2)
        if (pairs[i] <= byte && byte <= pairs[i + 1]) return true;
    return false;
}

// Which bytes are trail bytes: a lead byte takes the byte after it into its character.
static std::vector<bool> trail_bytes(const std::string& path)
{
    std::vector<bool> trail(path.size(), false);
    for (std::size_t i = 0; i < path.size(); ++i)
        if (lead(path[i]) && i + 1 < path.size()) trail[++i] = true;
    return trail;
}

// One past the last delimiter that is neither a zero byte nor a trail byte; 0 when there is none.
static std::size_t end_of_last(const std::string& delimiters, const std::string& path,
                               const std::vector<bool>& trail)
{
    std::size_t end = 0;
    for (std::size_t i = 0; i < path.size(); ++i)
        if (path[i] != 0 && delimiters.find(path[i]) != std::string::npos && !trail[i]) end = i + 1;
    return end;
}

// A few positions, the last among them, so that a run stays linear in the path.
static void check_types(const std::string& path, const std::vector<bool>& trail)
{
    for (std::size_t i : {std::size_t{1}, path.size() / 2, path.size()}) {
        if (i == 0 || i > path.size()) continue;
        const byte_type expected = trail[i - 1]        ? byte_type::trail
                                   : lead(path[i - 1]) ? byte_type::lead
                                                       : byte_type::single;
        fuzz::require(environment::byte_type_at(path, i) == expected,
                      "a byte is a trail byte exactly when a lead byte starts its character");
    }
}

// A delimiter among the lead bytes (no real code page has one) lets the walk miss it, passing over
// the byte before a trail delimiter: then only the sanitizers watch the walk.
static void check_path(const std::string& folder_delimiters,
                       const std::string& extension_delimiters, const std::string& path,
                       const std::string& extension)
{
    const std::vector<bool> trail = trail_bytes(path);
    check_types(path, trail);
    const std::string folder = environment::folder_of(path);
    const std::string changed = environment::change_extension(path, extension);
    if (std::any_of(extension_delimiters.begin(), extension_delimiters.end(), lead)) return;
    fuzz::require(folder == path.substr(0, end_of_last(folder_delimiters, path, trail)),
                  "the folder is the path up to its last delimiter that is not a trail byte");
    const std::size_t end = end_of_last(extension_delimiters, path, trail);
    const std::size_t kept = end > 0 && path[end - 1] == '.' ? end - 1 : path.size();
    fuzz::require(changed == path.substr(0, kept) + extension,
                  "the extension replaces the path from its last dot when no separator follows");
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool double_byte = input.ConsumeBool();
    const std::vector<unsigned char> pairs = input.ConsumeBytes<unsigned char>(12);
    const std::string folder_delimiters = input.ConsumeBool() ? "\\:" : "/";  // Windows or POSIX
    const std::string extension_delimiters = "." + folder_delimiters;
    const std::string extension = input.ConsumeRandomLengthString(16);
    fake::reset();
    fake::set_delimiters(folder_delimiters, extension_delimiters);
    fake::set_double_byte(double_byte, pairs);
    environment::build_lead_byte_table();
    for (unsigned byte = 0; byte < 256; ++byte)
        fuzz::require(lead(static_cast<char>(byte)) == (double_byte && in_a_pair(pairs, byte)),
                      "the table holds exactly the bytes of the pairs");
    check_path(folder_delimiters, extension_delimiters, input.ConsumeRemainingBytesAsString(),
               extension);
    return 0;
}
