// paths_fuzz.cpp: the double-byte aware delimiter search, folder of a path and change of
// extension, under random lead-byte tables and both the Windows and the POSIX delimiters.

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

// The lead-byte table as the rules build it from the pairs.
std::vector<bool> table_of(const setting& chosen)
{
    std::vector<bool> lead(256, false);
    if (!chosen.double_byte) return lead;
    std::vector<unsigned char> pairs = chosen.lead_pairs;
    pairs.resize(12, 0);
    for (std::size_t i = 0; i < 12; i += 2) {
        if (pairs[i] == 0 && pairs[i + 1] == 0) break;
        for (unsigned byte = pairs[i]; byte <= pairs[i + 1]; ++byte) lead[byte] = true;
    }
    return lead;
}

// Byte types by the recursive rule, from the front: trail when the byte before is a lead byte.
std::vector<byte_type> types_of(const std::string& text, const std::vector<bool>& lead)
{
    std::vector<byte_type> types(text.size(), byte_type::single);
    for (std::size_t j = 0; j < text.size(); ++j) {
        if (j > 0 && types[j - 1] == byte_type::lead)
            types[j] = byte_type::trail;
        else if (lead[static_cast<unsigned char>(text[j])])
            types[j] = byte_type::lead;
    }
    return types;
}

// The walk from the last byte: a trail delimiter is passed over together with its lead byte.
std::size_t walk(const std::string& delimiters, const std::string& text,
                 const std::vector<byte_type>& types)
{
    std::size_t i = text.size();
    while (i > 0) {
        const char byte = text[i - 1];
        if (byte == 0 || delimiters.find(byte) == std::string::npos)
            i -= 1;
        else if (types[i - 1] == byte_type::trail)
            i = i >= 2 ? i - 2 : 0;
        else
            return i;
    }
    return 0;
}

bool holds_any(const std::string& text, const std::string& bytes)
{
    return text.find_first_of(bytes) != std::string::npos;
}

// Real code pages have no delimiter among their lead bytes. A random table may, and then the walk,
// which passes over the byte before a trail delimiter unseen, can miss a lead-byte delimiter.
bool any_lead(const std::string& delimiters, const std::vector<bool>& lead)
{
    for (char byte : delimiters)
        if (lead[static_cast<unsigned char>(byte)]) return true;
    return false;
}

void check_table(const std::vector<bool>& lead)
{
    for (unsigned byte = 0; byte < 256; ++byte)
        fuzz::require(environment::is_lead_byte(static_cast<unsigned char>(byte)) == lead[byte],
                      "the table holds exactly the bytes of the pairs");
}

// A few positions, the last among them, so that a run stays linear in the path.
void check_types(const std::string& path, const std::vector<byte_type>& types)
{
    for (std::size_t i : {std::size_t{1}, path.size() / 2, path.size() - 1, path.size()}) {
        if (i == 0 || i > path.size()) continue;
        fuzz::require(environment::byte_type_at(path, i) == types[i - 1],
                      "byte types follow the recursive rule");
    }
}

void check_folder(const setting& chosen, const std::string& path,
                  const std::vector<byte_type>& types, const std::vector<bool>& lead)
{
    const std::string folder = environment::folder_of(path);
    const std::size_t n = folder.size();
    fuzz::require(path.compare(0, n, folder) == 0, "the folder is a prefix of the path");
    fuzz::require(n == walk(chosen.folder_delimiters, path, types),
                  "the folder ends where the walk stops");
    if (n == 0) return;
    fuzz::require(chosen.folder_delimiters.find(path[n - 1]) != std::string::npos,
                  "the folder ends in a delimiter");
    fuzz::require(environment::byte_type_at(path, n) != byte_type::trail,
                  "the folder does not end in a trail byte");
    if (any_lead(chosen.folder_delimiters, lead)) return;
    for (std::size_t i = n; i < path.size(); ++i)
        fuzz::require(types[i] == byte_type::trail || path[i] == 0 ||
                          chosen.folder_delimiters.find(path[i]) == std::string::npos,
                      "no delimiter that is not a trail byte follows the folder");
}

void check_extension(const setting& chosen, const std::string& path, const std::string& extension,
                     const std::vector<byte_type>& types, const std::vector<bool>& lead)
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
        fuzz::require(path[kept] == '.' && types[kept] != byte_type::trail,
                      "only a dot that is not a trail byte starts the old extension");
    const std::size_t i = walk(chosen.extension_delimiters, path, types);
    fuzz::require(kept == (i > 0 && path[i - 1] == '.' ? i - 1 : path.size()),
                  "the old extension starts at the last dot the walk finds");
    if (!holds_any(extension, chosen.folder_delimiters) &&
        !any_lead(chosen.extension_delimiters, lead))
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
    const std::vector<bool> lead = table_of(chosen);
    const std::vector<byte_type> types = types_of(path, lead);
    check_table(lead);
    check_types(path, types);
    check_folder(chosen, path, types, lead);
    check_extension(chosen, path, extension, types, lead);
    return 0;
}
