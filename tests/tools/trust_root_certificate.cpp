// Test helper: makes a certificate (a PEM file, its path the only argument) a
// trusted root of the machine, as an administrator who installs a company's
// own CA does: it goes into the local machine's "Root" system store.
// Exits with 0 once the store holds it.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: trust_root_certificate CERTIFICATE.pem\n", stderr);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const std::string pem = text.str();
  DWORD size = 0;
  if (pem.empty() || !CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()),
                                           CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                                           nullptr)) {
    std::fputs("no PEM certificate in the file\n", stderr);
    return 1;
  }
  std::vector<BYTE> der(size);
  CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                       der.data(), &size, nullptr, nullptr);
  HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                  CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (!root) {
    std::fprintf(stderr, "CertOpenStore failed: %lu\n", GetLastError());
    return 1;
  }
  const BOOL added = CertAddEncodedCertificateToStore(
      root, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(), size,
      CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  if (!added) std::fprintf(stderr, "CertAddEncodedCertificateToStore failed: %lu\n", GetLastError());
  CertCloseStore(root, 0);
  return added ? 0 : 1;
}
