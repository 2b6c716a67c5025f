#include "platform/TlsLink.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "support/TlsFiles.h"

namespace hrx {
namespace {

// A far side in this process on one end of a socket pair: presents the
// station's certificate, speaks only the versions given, and with
// `wantClient` refuses a client without a certificate signed by the CA.
struct FarSide {
  int minVersion;
  int maxVersion;
  bool wantClient;
};

void serve(const test::TlsFiles& files, const FarSide& far, int sock) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  SSL_CTX_set_security_level(ctx, 0);   // lets TLS 1.1 be offered at all
  SSL_CTX_set_min_proto_version(ctx, far.minVersion);
  SSL_CTX_set_max_proto_version(ctx, far.maxVersion);
  SSL_CTX_use_certificate_chain_file(ctx, files.pem("server").c_str());
  SSL_CTX_use_PrivateKey_file(ctx, files.key("server").c_str(), SSL_FILETYPE_PEM);
  if (far.wantClient) {
    SSL_CTX_load_verify_locations(ctx, files.pem("ca").c_str(), nullptr);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
  }
  SSL* ssl = SSL_new(ctx);
  SSL_set_fd(ssl, sock);
  if (SSL_accept(ssl) == 1) {
    char b;
    SSL_read(ssl, &b, 1);   // until the client goes
  }
  SSL_free(ssl);
  SSL_CTX_free(ctx);
  ::close(sock);
}

TEST(TlsLink, FarSidesVersionsAndRequestForTheOperatorsCertificate) {
  if (!test::TlsFiles::available()) GTEST_SKIP() << "no openssl command";
  test::TlsFiles files;
  ASSERT_TRUE(files.ok());
  struct Case {
    const char* name;
    FarSide far;
    bool offerClient;
    TlsRefusal want;
  } const cases[] = {
      {"TLS 1.2 asking, none offered", {TLS1_2_VERSION, TLS1_2_VERSION, true}, false, TlsRefusal::ClientRefused},
      {"TLS 1.2 asking, offered", {TLS1_2_VERSION, TLS1_2_VERSION, true}, true, TlsRefusal::None},
      {"TLS 1.3 not asking", {TLS1_3_VERSION, TLS1_3_VERSION, false}, false, TlsRefusal::None},
      {"only TLS 1.0 and 1.1", {TLS1_VERSION, TLS1_1_VERSION, false}, false, TlsRefusal::Handshake},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = files.pem("") + "-settings-" + std::to_string(&c - cases);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(files.pem("ca"), folder + "/ca.pem");
    if (c.offerClient) {
      std::filesystem::copy_file(files.pem("client"), folder + "/client.pem");
      std::filesystem::copy_file(files.key("client"), folder + "/client.key");
    }
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    std::thread server(serve, std::cref(files), c.far, pair[1]);
    ASSERT_EQ(::fcntl(pair[0], F_SETFL, O_NONBLOCK), 0);
    TlsRefusal why = TlsRefusal::None;
    auto link = TlsLink::start(pair[0], "127.0.0.1", folder, 5000, why);
    EXPECT_EQ(why, c.want);
    EXPECT_EQ(link != nullptr, c.want == TlsRefusal::None);
    if (link) ::close(link->localFd());
    link.reset();
    server.join();
    std::filesystem::remove_all(folder);
  }
}

}  // namespace
}  // namespace hrx
