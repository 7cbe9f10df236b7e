#include "engine/package_manifest.h"

#include "base/exceptions.h"
#include "engine/file64.h"
#include "res/resource.h"

namespace {

// A line for each of the most files a package has, with the longest names, fits many times.
constexpr std::uint64_t kMaxManifestSize = 64ull * 1024 * 1024;
constexpr char kHexDigits[] = "0123456789abcdef";
constexpr std::size_t kHexLength = 2 * std::tuple_size_v<Sha256Digest>;

std::string HexText(const Sha256Digest& digest) {
  std::string text;
  for (std::uint8_t byte : digest) {
    text += kHexDigits[byte >> 4];
    text += kHexDigits[byte & 15];
  }
  return text;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<Sha256Digest> ParseHex(std::string_view text) {
  Sha256Digest digest;
  for (std::size_t k = 0; k < digest.size(); ++k) {
    const int high = HexValue(text[2 * k]), low = HexValue(text[2 * k + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    digest[k] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return digest;
}

bool NeedsEscape(std::string_view name) { return name.find_first_of("\\\n\r") != name.npos; }

std::string Escaped(std::string_view name) {
  std::string text;
  for (char c : name) {
    if (c == '\\')
      text += "\\\\";
    else if (c == '\n')
      text += "\\n";
    else if (c == '\r')
      text += "\\r";
    else
      text += c;
  }
  return text;
}

std::optional<std::string> Unescaped(std::string_view name) {
  std::string text;
  for (std::size_t k = 0; k < name.size(); ++k) {
    if (name[k] != '\\') {
      text += name[k];
      continue;
    }
    if (++k == name.size()) return std::nullopt;
    if (name[k] == '\\')
      text += '\\';
    else if (name[k] == 'n')
      text += '\n';
    else if (name[k] == 'r')
      text += '\r';
    else
      return std::nullopt;
  }
  return text;
}

// "<hex>  <name>" or "<hex> *<name>" (sha256sum's binary mark), perhaps escaped.
void AddLine(std::string_view line, ManifestDigests& digests) {
  const bool escaped = line.starts_with('\\');
  if (escaped) line.remove_prefix(1);
  if (line.size() < kHexLength + 3 || line[kHexLength] != ' ') return;
  if (line[kHexLength + 1] != ' ' && line[kHexLength + 1] != '*') return;
  const std::optional<Sha256Digest> digest = ParseHex(line.substr(0, kHexLength));
  std::optional<std::string> name(line.substr(kHexLength + 2));
  if (escaped) name = Unescaped(*name);
  if (digest && name) digests.emplace(std::move(*name), *digest);
}

}  // namespace

std::string ManifestPath(std::string_view pathPrefix) {
  return std::string(pathPrefix) + ".sha256";
}

std::string ManifestText(const std::vector<ManifestLine>& lines) {
  std::string text;
  for (const ManifestLine& line : lines) {
    const bool escape = NeedsEscape(line.name);
    if (escape) text += '\\';
    text += HexText(line.digest) + "  " + (escape ? Escaped(line.name) : line.name) + "\n";
  }
  return text;
}

ManifestDigests ParseManifest(std::string_view text) {
  ManifestDigests digests;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    if (end == text.npos) end = text.size();
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    AddLine(line, digests);
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return digests;
}

void WriteManifest(const std::string& path, const std::vector<ManifestLine>& lines) {
  const std::string text = ManifestText(lines);
  CFile64 file;
  file.Open(path, true);
  file.Write(text.data(), static_cast<std::uint32_t>(text.size()));
  file.Close();
}

std::optional<ManifestDigests> ReadManifest(const std::string& path) {
  if (!platform::FileExists(path)) return std::nullopt;
  CFile64 file;
  file.Open(path, false);
  const std::uint64_t length = file.Length();
  if (length > kMaxManifestSize) ThrowAppException(IDS_INVALID_FORMAT, {path});
  std::string text(static_cast<std::size_t>(length), '\0');
  text.resize(file.Read(text.data(), static_cast<std::uint32_t>(length)));
  file.Close();
  return ParseManifest(text);
}
