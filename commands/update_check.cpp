#include "commands/update_check.h"

#include <cstring>

namespace gw {

Text WebsiteAddress() {
#ifdef GLYPHWELL_WEBSITE
  Text address = Utf8ToText(GLYPHWELL_WEBSITE);
#else
  Text address = u"https://glyphwell.example.org/";
#endif
  if (address.empty() || address.back() != u'/') address.push_back(u'/');
  return address;
}

Text ProgramPageAddress(TextView website) {
  Text page(website);
  if (page.empty() || page.back() != u'/') page.push_back(u'/');
  return page + u"prog/";
}

Text VersionFileAddress(TextView page_address) {
  return Text(page_address) + LowerText(u"Glyphwell") + u".vsn";
}

Text VersionTextFromDownload(const VersionDownload& download) {
  // Only a successful answer carries the version file; an error page such as
  // "Not Found" must never be taken for a version.
  if (!download.arrived || download.status != 200) return Text();
  if (download.body.empty() || download.body.size() > kMaxVersionFileBytes) return Text();
  std::string_view bytes(download.body);
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  return Utf8ToText(bytes);
}

bool IsNewerVersion(TextView own, TextView site) {
  // u16string_view compares unsigned UTF-16 units, a prefix first.
  return own < site;
}

UpdateResult EvaluateVersionDownload(const VersionDownload& download, TextView own,
                                     Text& version) {
  version = VersionTextFromDownload(download);
  if (version.empty()) return UpdateResult::Unreadable;
  return IsNewerVersion(own, version) ? UpdateResult::NewerVersion : UpdateResult::Current;
}

UpdateAnswer AnswerFor(UpdateCaller caller, UpdateResult result, bool quiet) {
  const bool asked = caller == UpdateCaller::Menu;
  if (!asked && result == UpdateResult::NewerVersion) return UpdateAnswer::Announce;
  if (!asked && quiet && (result == UpdateResult::NoConnection || result == UpdateResult::Unreadable))
    return UpdateAnswer::RetryLater;
  switch (result) {
    case UpdateResult::NoConnection:
      return caller == UpdateCaller::StartUp ? UpdateAnswer::RetryLater : UpdateAnswer::NoConnection;
    case UpdateResult::Unreadable:
      return UpdateAnswer::Unreadable;
    case UpdateResult::NewerVersion:
      return UpdateAnswer::Offer;
    case UpdateResult::Current:
      return caller == UpdateCaller::Menu ? UpdateAnswer::Current : UpdateAnswer::Nothing;
  }
  return UpdateAnswer::Nothing;
}

unsigned UpdateRetryDelayMs(int failures) {
  static constexpr unsigned kDelays[] = {10000, 60000, 5 * 60000, 15 * 60000, 60 * 60000};
  constexpr int kLast = static_cast<int>(sizeof(kDelays) / sizeof(kDelays[0])) - 1;
  return kDelays[failures < 1 ? 0 : failures > kLast ? kLast : failures - 1];
}

UpdateCaller JoinCallers(UpdateCaller running, UpdateCaller joining) {
  return static_cast<int>(joining) > static_cast<int>(running) ? joining : running;
}

Text UpdateErrorMessage(TextView err_update, TextView page_address) {
  return Text(err_update) + Text(page_address) + u".";
}

Text NewVersionMessage(TextView new_version, TextView version, TextView ask_visit) {
  return Text(new_version) + Text(version) + u".\n\n" + Text(ask_visit);
}

}  // namespace gw
