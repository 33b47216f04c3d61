// The server with TLS: pages over TLS 1.2 and 1.3, older protocols refused.

#include "ServerFixture.h"

#include <gmock/gmock.h>
#include <openssl/conf.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cstdio>
#include <fstream>
#include <memory>

using namespace servertest;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

// Writes a fresh self-signed certificate for "localhost" and its key as PEM files.
void WriteSelfSignedCertificate(const std::filesystem::path& ACertificate,
                                const std::filesystem::path& AKey) {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* certificate = X509_new();
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
  X509_gmtime_adj(X509_getm_notBefore(certificate), 0);
  X509_gmtime_adj(X509_getm_notAfter(certificate), 3600);
  X509_set_pubkey(certificate, key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
  X509_set_issuer_name(certificate, name);
  X509_sign(certificate, key, EVP_sha256());
  FILE* file = std::fopen(ACertificate.c_str(), "wb");
  PEM_write_X509(file, certificate);
  std::fclose(file);
  file = std::fopen(AKey.c_str(), "wb");
  PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr);
  std::fclose(file);
  X509_free(certificate);
  EVP_PKEY_free(key);
}

class ServerTLSTest : public ServerTest {
protected:
  ServerTLSTest() {
    Server.StopServer();
    AllowEveryProtocolByDefault();
    WriteSelfSignedCertificate(Root / "server.crt", Root / "server.key");
    Server.Options().SetUseSSL(true);
    Server.SSLOptions().CertFile = (Root / "server.crt").string();
    Server.SSLOptions().KeyFile = (Root / "server.key").string();
    Server.StartServer();
    Port = Server.ServerPort();
  }

  // OpenSSL's own defaults refuse TLS 1.0 and 1.1; this configuration of the process lets every
  // context allow them, so that only the server's own minimum can refuse them.
  void AllowEveryProtocolByDefault() {
    const std::filesystem::path file = Root / "openssl.cnf";
    std::filesystem::create_directories(Root);
    std::ofstream(file) << "openssl_conf = init\n[init]\nssl_conf = ssl\n[ssl]\n"
                           "system_default = old\n[old]\nMinProtocol = TLSv1\n"
                           "CipherString = DEFAULT:@SECLEVEL=0\n";
    ASSERT_EQ(CONF_modules_load_file(file.c_str(), nullptr, 0), 1);
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> plain(SSL_CTX_new(TLS_server_method()),
                                                            SSL_CTX_free);
    ASSERT_EQ(SSL_CTX_get_security_level(plain.get()), 0);
    ASSERT_LE(SSL_CTX_get_min_proto_version(plain.get()), TLS1_VERSION);
  }

  // A GET "/" over TLS with the protocol versions given; empty when the handshake fails.
  std::string GetOverTLS(int AMinVersion, int AMaxVersion) {
    TClient client(Port);
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(SSL_CTX_new(TLS_client_method()),
                                                              SSL_CTX_free);
    SSL_CTX_set_security_level(context.get(), 0);
    SSL_CTX_set_min_proto_version(context.get(), AMinVersion);
    SSL_CTX_set_max_proto_version(context.get(), AMaxVersion);
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(context.get()), SSL_free);
    SSL_set_fd(ssl.get(), client.Descriptor());
    if (SSL_connect(ssl.get()) != 1) {
      ERR_clear_error();
      return {};
    }
    const std::string request =
        "GET / HTTP/1.1\r\nHost: localhost:" + std::to_string(Port) + "\r\n\r\n";
    SSL_write(ssl.get(), request.data(), static_cast<int>(request.size()));
    std::string answer;
    char buffer[16384];
    int n = 0;
    while ((n = SSL_read(ssl.get(), buffer, sizeof buffer)) > 0)
      answer.append(buffer, static_cast<size_t>(n));
    ERR_clear_error();
    return answer;
  }
};

TEST_F(ServerTLSTest, PagesAreServedOverTLSOneTwoAndUpAndOlderProtocolsAreRefused) {
  const std::string page = GetOverTLS(TLS1_2_VERSION, TLS1_2_VERSION);
  EXPECT_THAT(page, StartsWith("HTTP/1.1 200 OK\r\n"));
  // The page's script connects back with the secure WebSocket scheme.
  EXPECT_THAT(page, HasSubstr("wss"));
  EXPECT_THAT(GetOverTLS(TLS1_3_VERSION, TLS1_3_VERSION), StartsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(GetOverTLS(TLS1_VERSION, TLS1_1_VERSION), "");
}

// A server asked for TLS without a usable certificate refuses to start, saying which file is
// wrong, and listens on nothing: it never serves plain HTTP instead.
TEST_F(ServerTLSTest, WithoutAUsableCertificateTheServerRefusesToStart) {
  WriteSelfSignedCertificate(Root / "other.crt", Root / "other.key");
  std::ofstream(Root / "garbage.pem") << "not a certificate\n";
  const std::string certificate = (Root / "server.crt").string();
  const std::string key = (Root / "server.key").string();
  struct TCase {
    std::string Certificate;
    std::string Key;
    std::string Message;
  };
  const TCase cases[] = {
      {"", "", "TLS is on but no certificate and key files are set"},
      {certificate, "", "TLS is on but no certificate and key files are set"},
      {"", key, "TLS is on but no certificate and key files are set"},
      {(Root / "absent.crt").string(), key,
       "TLS is on but the certificate file \"" + (Root / "absent.crt").string() +
           "\" cannot be used"},
      {(Root / "garbage.pem").string(), key,
       "TLS is on but the certificate file \"" + (Root / "garbage.pem").string() +
           "\" cannot be used"},
      {certificate, (Root / "garbage.pem").string(),
       "TLS is on but the private key file \"" + (Root / "garbage.pem").string() +
           "\" cannot be used"},
      {certificate, (Root / "other.key").string(),
       "TLS is on but the private key file \"" + (Root / "other.key").string() +
           "\" cannot be used: key values mismatch"},
  };
  for (const TCase& c : cases) {
    Server.StopServer();
    Server.SSLOptions() = {c.Certificate, c.Key};
    try {
      Server.StartServer();
      ADD_FAILURE() << "started with " << c.Certificate << " and " << c.Key;
    } catch (const std::exception& e) {
      EXPECT_THAT(e.what(), StartsWith(c.Message));
    }
    EXPECT_FALSE(Server.Started()) << c.Message;
  }
}

} // namespace
