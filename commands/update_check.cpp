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

UpdateAnswer AnswerFor(UpdateCaller caller, UpdateResult result) {
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
