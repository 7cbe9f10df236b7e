#include "ui/about_text.h"

#include <string_view>

namespace {

// "Velmont Computing Partwell" reads "Partwell": the company's name and the one character
// that follows it fall away.
std::string ProductNameWithoutCompany(const std::string& product, const std::string& company) {
  const std::size_t at = company.empty() ? std::string::npos : product.find(company);
  if (at == std::string::npos) return product;
  const std::size_t after = at + company.size() + 1;
  return after < product.size() ? product.substr(after) : std::string();
}

std::string DescriptionAfterDash(const std::string& description) {
  constexpr std::string_view kDash = " - ";
  const std::size_t at = description.find(kDash);
  return at == std::string::npos ? description : description.substr(at + kDash.size());
}

// The build number is the third part of the file version; 0 means an unnumbered build.
std::string VersionLine(const platform::VersionInfo& info, int pointerBits) {
  std::string line = "Version " + info.productVersion;
  const unsigned build = info.fixed ? info.fixed->fileVersionLs >> 16 : 0;
  line += " (" + std::to_string(pointerBits) + "-bit";
  if (build != 0) line += " - Build " + std::to_string(build);
  return line + ")";
}

}  // namespace

AboutText MakeAboutText(const platform::VersionInfo& info, int pointerBits) {
  return {ProductNameWithoutCompany(info.productName, info.companyName),
          VersionLine(info, pointerBits), DescriptionAfterDash(info.fileDescription),
          info.specialBuild};
}
