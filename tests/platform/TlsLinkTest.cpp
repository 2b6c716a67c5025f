#include "platform/TlsLink.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <fcntl.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
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
  bool expired = false;
};

// The station's certificate as the CA would have signed it, valid from two
// days ago until yesterday.
bool makeExpired(const test::TlsFiles& files, const std::string& out) {
  std::FILE* f = std::fopen(files.pem("server").c_str(), "r");
  std::FILE* k = std::fopen(files.key("ca").c_str(), "r");
  X509* x = f ? PEM_read_X509(f, nullptr, nullptr, nullptr) : nullptr;
  EVP_PKEY* caKey = k ? PEM_read_PrivateKey(k, nullptr, nullptr, nullptr) : nullptr;
  bool ok = x != nullptr && caKey != nullptr && X509_gmtime_adj(X509_getm_notBefore(x), -2 * 86400) != nullptr &&
            X509_gmtime_adj(X509_getm_notAfter(x), -86400) != nullptr && X509_sign(x, caKey, EVP_sha256()) > 0;
  if (ok) {
    std::FILE* o = std::fopen(out.c_str(), "w");
    ok = o != nullptr && PEM_write_X509(o, x) == 1;
    if (o) std::fclose(o);
  }
  if (f) std::fclose(f);
  if (k) std::fclose(k);
  X509_free(x);
  EVP_PKEY_free(caKey);
  return ok;
}

void serve(const test::TlsFiles& files, const FarSide& far, int sock) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  SSL_CTX_set_security_level(ctx, 0);   // lets TLS 1.1 be offered at all
  SSL_CTX_set_min_proto_version(ctx, far.minVersion);
  SSL_CTX_set_max_proto_version(ctx, far.maxVersion);
  SSL_CTX_use_certificate_chain_file(ctx, files.pem(far.expired ? "expired" : "server").c_str());
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

TEST(TlsLink, WhatTheFarSideSpeaksAndShowsAndTheOperatorsFiles) {
  if (!test::TlsFiles::available()) GTEST_SKIP() << "no openssl command";
  test::TlsFiles files;
  ASSERT_TRUE(files.ok());
  ASSERT_TRUE(makeExpired(files, files.pem("expired")));
  enum Offer { None, Both, KeyOfAnother, PemOnly };
  struct Case {
    const char* name;
    FarSide far;
    Offer offer;
    TlsRefusal want;
  } const cases[] = {
      {"TLS 1.2 asking, none offered", {TLS1_2_VERSION, TLS1_2_VERSION, true}, None, TlsRefusal::ClientRefused},
      {"TLS 1.2 asking, offered", {TLS1_2_VERSION, TLS1_2_VERSION, true}, Both, TlsRefusal::None},
      {"TLS 1.3 not asking", {TLS1_3_VERSION, TLS1_3_VERSION, false}, None, TlsRefusal::None},
      {"only TLS 1.0 and 1.1", {TLS1_VERSION, TLS1_1_VERSION, false}, None, TlsRefusal::Handshake},
      {"expired", {TLS1_2_VERSION, TLS1_3_VERSION, false, true}, None, TlsRefusal::Expired},
      {"client.key of another certificate", {TLS1_2_VERSION, TLS1_3_VERSION, false}, KeyOfAnother,
       TlsRefusal::ClientFiles},
      {"client.pem without client.key", {TLS1_2_VERSION, TLS1_3_VERSION, false}, PemOnly, TlsRefusal::ClientFiles},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = files.pem("") + "-settings-" + std::to_string(&c - cases);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(files.pem("ca"), folder + "/ca.pem");
    if (c.offer != None) std::filesystem::copy_file(files.pem("client"), folder + "/client.pem");
    if (c.offer == Both) std::filesystem::copy_file(files.key("client"), folder + "/client.key");
    if (c.offer == KeyOfAnother) std::filesystem::copy_file(files.key("server"), folder + "/client.key");
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

// A far side that resets the connection once the session is made (a crashed
// ser2net, a router forgetting the connection): the port reads the end of
// the stream, closes its end and the link goes, and the program with it
// survives (nothing it writes then may raise SIGPIPE on the port's thread).
TEST(TlsLink, FarSideResettingTheConnection) {
  if (!test::TlsFiles::available()) GTEST_SKIP() << "no openssl command";
  test::TlsFiles files;
  ASSERT_TRUE(files.ok());
  const std::string folder = files.pem("") + "-reset";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(files.pem("ca"), folder + "/ca.pem");
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len), 0);
  std::thread server([&] {
    const int s = ::accept(listener, nullptr, nullptr);
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate_chain_file(ctx, files.pem("server").c_str());
    SSL_CTX_use_PrivateKey_file(ctx, files.key("server").c_str(), SSL_FILETYPE_PEM);
    SSL* ssl = SSL_new(ctx);
    SSL_set_fd(ssl, s);
    SSL_accept(ssl);
    const linger reset{1, 0};
    ::setsockopt(s, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(s);
    SSL_free(ssl);
    SSL_CTX_free(ctx);
  });
  const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_EQ(::connect(sock, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::fcntl(sock, F_SETFL, O_NONBLOCK), 0);
  TlsRefusal why = TlsRefusal::None;
  auto link = TlsLink::start(sock, "127.0.0.1", folder, 5000, why);
  ASSERT_NE(link, nullptr);
  server.join();
  // The end of the stream, as a raw port's reset shows.
  pollfd p{link->localFd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 5000), 1) << "the reset never reached the port";
  char b;
  EXPECT_EQ(::recv(link->localFd(), &b, 1, 0), 0);
  ::close(link->localFd());
  link.reset();
  ::close(listener);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace hrx
