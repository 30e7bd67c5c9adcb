// The update check's handling of a downloaded version file: whether a body
// arrived and its HTTP status come from the first two bytes (byte 0: bit 0
// set = a transfer error, no body; byte 1: the status, 0 meaning 200, any
// other value taken as 100 + value), the rest is the body.
//
// Properties:
// - a version text comes only from a status-200 body of 1 to 16 bytes that
//   does not begin with NUL, and then always (an invalid byte still gives a
//   U+FFFD);
// - it holds no NUL, at most 16 units, and is the body up to its first NUL
//   read as UTF-8: without U+FFFD it encodes back to exactly those bytes;
// - the result is Unreadable exactly for an empty text, NewerVersion exactly
//   when the text sorts after "1.11" (never for "1.11" itself), Current
//   otherwise; the comparison is a strict order (irreflexive, asymmetric);
// - the offer names the version and ends with the question.
#include "commands/update_check.h"
#include "fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  gw::VersionDownload download;
  download.arrived = (data[0] & 1) == 0;
  download.status = data[1] == 0 ? 200 : 100 + data[1];
  download.body.assign(reinterpret_cast<const char*>(data + 2), size - 2);

  const gw::Text version = gw::VersionTextFromDownload(download);
  const std::string& body = download.body;
  const bool readable = download.arrived && download.status == 200 && !body.empty() &&
                        body.size() <= gw::kMaxVersionFileBytes && body[0] != '\0';
  GW_FUZZ_CHECK(version.empty() == !readable);
  GW_FUZZ_CHECK(version.size() <= gw::kMaxVersionFileBytes);
  GW_FUZZ_CHECK(version.find(u'\0') == gw::Text::npos);
  if (readable && version.find(u'\uFFFD') == gw::Text::npos) {
    const std::string prefix = body.substr(0, body.find('\0'));
    GW_FUZZ_CHECK(gw::TextToUtf8(version) == prefix);
  }

  gw::Text evaluated;
  const gw::UpdateResult result = gw::EvaluateVersionDownload(download, gw::kProgramVersion, evaluated);
  GW_FUZZ_CHECK(evaluated == version);
  const gw::TextView own = gw::kProgramVersion;
  if (version.empty()) {
    GW_FUZZ_CHECK(result == gw::UpdateResult::Unreadable);
  } else if (version > own) {
    GW_FUZZ_CHECK(result == gw::UpdateResult::NewerVersion);
  } else {
    GW_FUZZ_CHECK(result == gw::UpdateResult::Current);
  }
  if (version == own) GW_FUZZ_CHECK(result == gw::UpdateResult::Current);
  GW_FUZZ_CHECK(!gw::IsNewerVersion(version, version));
  GW_FUZZ_CHECK(!(gw::IsNewerVersion(own, version) && gw::IsNewerVersion(version, own)));

  if (result == gw::UpdateResult::NewerVersion) {
    const gw::Text offer = gw::NewVersionMessage(u"New ", version, u"Visit?");
    GW_FUZZ_CHECK(offer == u"New " + version + u".\n\nVisit?");
  }
  return 0;
}
