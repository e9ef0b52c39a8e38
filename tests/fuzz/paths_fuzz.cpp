// paths_fuzz.cpp: the double-byte aware delimiter search, folder of a path and change of
// extension, under random lead-byte tables and both the Windows and the POSIX delimiters. The
// checks say what the results must be, over the path read character by character from the front;
// nothing here walks the path the way the code under test does.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "environment/paths.h"
#include "platform/fake.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using environment::byte_type;

struct setting {
    bool double_byte;
    std::vector<unsigned char> lead_pairs;
    std::string folder_delimiters;
    std::string extension_delimiters;
};

// Lead-byte pairs are taken as the system would give them: a pair (low, high), the table ending
// at the first pair of two zeros.
setting setting_from(FuzzedDataProvider& input)
{
    setting chosen;
    chosen.double_byte = input.ConsumeBool();
    chosen.lead_pairs = input.ConsumeBytes<unsigned char>(12);
    const bool windows = input.ConsumeBool();
    chosen.folder_delimiters = windows ? "\\:" : "/";
    chosen.extension_delimiters = windows ? ".\\:" : "./";
    return chosen;
}

// Whether one of the pairs before the first pair of two zeros holds the byte.
bool in_a_pair(const setting& chosen, unsigned byte)
{
    std::vector<unsigned char> pairs = chosen.lead_pairs;
    pairs.resize(12, 0);
    for (std::size_t i = 0; i < 12; i += 2) {
        if (pairs[i] == 0 && pairs[i + 1] == 0) return false;
        if (pairs[i] <= byte && byte <= pairs[i + 1]) return true;
    }
    return false;
}

bool lead(char byte) { return environment::is_lead_byte(static_cast<unsigned char>(byte)); }

// Which bytes are trail bytes, the path read as characters from the front: a lead byte takes the
// byte after it into its character.
std::vector<bool> trail_bytes(const std::string& path)
{
    std::vector<bool> trail(path.size(), false);
    for (std::size_t i = 0; i < path.size(); ++i)
        if (lead(path[i]) && i + 1 < path.size()) trail[++i] = true;
    return trail;
}

// A byte that separates: one of the delimiters, neither a zero byte nor a trail byte.
bool separates(const std::string& delimiters, const std::string& path,
               const std::vector<bool>& trail, std::size_t i)
{
    return path[i] != 0 && delimiters.find(path[i]) != std::string::npos && !trail[i];
}

// The position (from 0) of the last byte that separates; npos when there is none.
std::size_t last_separating(const std::string& delimiters, const std::string& path,
                            const std::vector<bool>& trail)
{
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i)
        if (separates(delimiters, path, trail, i)) last = i;
    return last;
}

bool holds_any(const std::string& text, const std::string& bytes)
{
    return text.find_first_of(bytes) != std::string::npos;
}

// Real code pages have no delimiter among their lead bytes. A random table may, and then the walk,
// which passes over the byte before a trail delimiter unseen, can miss a lead-byte delimiter.
bool any_lead(const std::string& delimiters)
{
    for (char byte : delimiters)
        if (lead(byte)) return true;
    return false;
}

void check_table(const setting& chosen)
{
    for (unsigned byte = 0; byte < 256; ++byte)
        fuzz::require(environment::is_lead_byte(static_cast<unsigned char>(byte)) ==
                          (chosen.double_byte && in_a_pair(chosen, byte)),
                      "the table holds exactly the bytes of the pairs");
}

// A few positions, the last among them, so that a run stays linear in the path.
void check_types(const std::string& path, const std::vector<bool>& trail)
{
    for (std::size_t i : {std::size_t{1}, path.size() / 2, path.size() - 1, path.size()}) {
        if (i == 0 || i > path.size()) continue;
        const byte_type expected = trail[i - 1]        ? byte_type::trail
                                   : lead(path[i - 1]) ? byte_type::lead
                                                       : byte_type::single;
        fuzz::require(environment::byte_type_at(path, i) == expected,
                      "a byte is a trail byte exactly when a lead byte starts its character");
    }
}

void check_folder(const setting& chosen, const std::string& path, const std::vector<bool>& trail)
{
    const std::string folder = environment::folder_of(path);
    const std::size_t n = folder.size();
    fuzz::require(path.compare(0, n, folder) == 0, "the folder is a prefix of the path");
    if (n > 0)
        fuzz::require(separates(chosen.folder_delimiters, path, trail, n - 1),
                      "the folder ends in a delimiter that is not a trail byte");
    if (any_lead(chosen.folder_delimiters)) return;
    const std::size_t last = last_separating(chosen.folder_delimiters, path, trail);
    fuzz::require(n == (last == std::string::npos ? 0 : last + 1),
                  "no delimiter that is not a trail byte follows the folder");
}

void check_extension(const setting& chosen, const std::string& path, const std::string& extension,
                     const std::vector<bool>& trail)
{
    const std::string changed = environment::change_extension(path, extension);
    fuzz::require(
        changed.size() >= extension.size() &&
            changed.compare(changed.size() - extension.size(), std::string::npos, extension) == 0,
        "the result ends in the extension");
    const std::size_t kept = changed.size() - extension.size();
    fuzz::require(kept <= path.size() && path.compare(0, kept, changed, 0, kept) == 0,
                  "the result starts with a prefix of the path");
    if (kept < path.size())
        fuzz::require(path[kept] == '.' && !trail[kept],
                      "only a dot that is not a trail byte starts the old extension");
    if (any_lead(chosen.extension_delimiters)) return;
    const std::size_t last = last_separating(chosen.extension_delimiters, path, trail);
    const bool dot_last = last != std::string::npos && path[last] == '.';
    fuzz::require(kept == (dot_last ? last : path.size()),
                  "the old extension starts at the last dot, when no separator follows it");
    if (!holds_any(extension, chosen.folder_delimiters))
        fuzz::require(environment::folder_of(changed) == environment::folder_of(path),
                      "changing the extension keeps the folder");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const setting chosen = setting_from(input);
    const std::string extension = input.ConsumeRandomLengthString(16);
    const std::string path = input.ConsumeRemainingBytesAsString();
    fake::reset();
    fake::set_delimiters(chosen.folder_delimiters, chosen.extension_delimiters);
    fake::set_double_byte(chosen.double_byte, chosen.lead_pairs);
    environment::build_lead_byte_table();
    const std::vector<bool> trail = trail_bytes(path);
    check_table(chosen);
    check_types(path, trail);
    check_folder(chosen, path, trail);
    check_extension(chosen, path, extension, trail);
    return 0;
}
