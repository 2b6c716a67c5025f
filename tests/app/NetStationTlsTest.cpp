// The station over tls:// through the real ser2net's ssl accepter on
// loopback, with certificates made by the openssl command: the read-out and
// tuning over the encrypted link; a far side whose certificate fails the
// check refused with the notice that says why and not one byte sent to the
// radio; and a far side that asks for the operator's certificate refusing
// the program without one and letting it in with one.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "platform/NetSerial.h"
#include "serial/ComPort.h"
#include "support/Ser2netRig.h"
#include "support/StationRig.h"
#include "support/TlsFiles.h"

namespace hrx {
namespace {

using namespace std::chrono_literals;
using test::Ser2net;
using test::waitFor;

class TlsStation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (test::TlsFiles::available()) files = new test::TlsFiles;
  }
  static void TearDownTestSuite() {
    delete files;
    files = nullptr;
  }
  void SetUp() override {
    if (!Ser2net::available()) GTEST_SKIP() << "ser2net is not installed";
    if (files == nullptr) GTEST_SKIP() << "no openssl command";
    ASSERT_TRUE(files->ok()) << "the certificates were not made";
  }
  void TearDown() override { program.reset(); }

  // The radio behind ser2net presenting certificate `cert`.
  void startFar(const std::string& cert, bool clientAuth) {
    far = std::make_unique<test::FarRadio>();
    std::string error;
    ASSERT_TRUE(far->start(Ser2net::Mode::Tls, &error, files->accepter(cert, clientAuth),
                           clientAuth ? files->authDir() : std::string{}))
        << error;
  }
  // Opens until the port is open or a network port's notice came (a first
  // start's missing settings file asks for one of its own); true when open.
  bool openOrNotice() {
    Station& s = program->station;
    waitFor([&] { return s.port.Open() || s.port.IsOpen() || program->lastNotice.load() >= kNoticeNetHost; }, 8s);
    return s.port.IsOpen();
  }

  static test::TlsFiles* files;
  std::unique_ptr<test::FarRadio> far;
  test::TempDir dir;
  std::unique_ptr<test::Program> program;
};
test::TlsFiles* TlsStation::files = nullptr;

TEST_F(TlsStation, ReadOutAndTuningOverTheEncryptedLink) {
  startFar("server", false);
  for (const char* local : {"FA18100000", "MD02", "AG0123"}) ASSERT_TRUE(far->radio.applyLocal(local)) << local;
  ASSERT_TRUE(files->install(dir.path(), "ca", false));
  program = std::make_unique<test::Program>(far->s2n->url(), dir.path());
  ASSERT_TRUE(program->ok);
  Station& s = program->station;
  ASSERT_TRUE(waitFor([&] { return s.state.get_CommEnabled() != 0; }, 5s));
  ASSERT_TRUE(openOrNotice()) << "notice " << program->lastNotice.load();
  ASSERT_TRUE(s.request(1));
  ASSERT_TRUE(waitFor([&] { return program->readOutsDone.load() > 0; }, 60s)) << "the read-out never ended";
  EXPECT_EQ(s.state.get_VfoA_Freq(), 18100000);
  EXPECT_EQ(s.state.get_MD_Main(), 2);
  EXPECT_EQ(s.state.get_AG_Main(), 123);
  ASSERT_TRUE(s.request(82, false, 21074000));
  EXPECT_TRUE(waitFor([&] { return far->radio.peek("FA;") == "FA21074000;"; }, 3s));
  EXPECT_LT(program->lastNotice.load(), kNoticeNetHost);
  // The far side gone (ser2net ended): the same line fault as a raw port's,
  // seen within the watchdog's 3 s and a tick.
  far->s2n->stop();
  EXPECT_TRUE(waitFor([&] { return s.awaitingDevice(); }, 4500ms));
}

TEST_F(TlsStation, CertificateThatFailsTheCheckRefusedBeforeAnyByte) {
  const struct {
    const char* serverCert;
    const char* caInstalled;   // nullptr: no ca.pem at all
    int notice;
  } kCases[] = {
      {"server", "other-ca", kNoticeTlsNotSigned},
      {"elsewhere", "ca", kNoticeTlsWrongName},
      {"server", nullptr, kNoticeTlsNoCa},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.serverCert) + " / " + (c.caInstalled ? c.caInstalled : "no ca.pem"));
    startFar(c.serverCert, false);
    test::TempDir settings;
    if (c.caInstalled != nullptr) {
      ASSERT_TRUE(files->install(settings.path(), c.caInstalled, false));
    }
    program = std::make_unique<test::Program>(far->s2n->url(), settings.path());
    ASSERT_TRUE(program->ok);
    EXPECT_FALSE(openOrNotice());
    EXPECT_EQ(program->lastNotice.load(), c.notice);
    // The COM click tries again, and is refused again.
    const int before = program->notices.load();
    program->lastNotice.store(-1);
    program->station.request(1);
    EXPECT_TRUE(waitFor([&] {
      program->station.port.Open();
      return program->notices.load() > before;
    }, 8s));
    EXPECT_EQ(program->lastNotice.load(), c.notice);
    EXPECT_FALSE(program->station.port.IsOpen());
    program.reset();
    EXPECT_TRUE(far->radio.commandLog().empty()) << far->radio.commandLog().front();
  }
}

TEST_F(TlsStation, FarSideAskingForTheOperatorsCertificate) {
  startFar("server", true);
  ASSERT_TRUE(files->install(dir.path(), "ca", false));
  program = std::make_unique<test::Program>(far->s2n->url(), dir.path());
  ASSERT_TRUE(program->ok);
  EXPECT_FALSE(openOrNotice());
  EXPECT_EQ(program->lastNotice.load(), kNoticeTlsClientRefused);
  program.reset();
  EXPECT_TRUE(far->radio.commandLog().empty()) << far->radio.commandLog().front();
  // An attempt the refused program left is no answer for the next one.
  const std::string url = far->s2n->url();
  EXPECT_TRUE(waitFor([&] { return NetSerial::attempt(url.c_str()) != NetSerial::Attempt::Connecting; }, 5s));
  NetSerial::cancel(url.c_str());

  // With client.pem and client.key beside ca.pem it is let in.
  ASSERT_TRUE(files->install(dir.path(), "ca", true));
  program = std::make_unique<test::Program>(far->s2n->url(), dir.path());
  ASSERT_TRUE(program->ok);
  ASSERT_TRUE(openOrNotice()) << "notice " << program->lastNotice.load();
  Station& s = program->station;
  ASSERT_TRUE(s.request(1));
  ASSERT_TRUE(s.request(82, false, 7074000));
  EXPECT_TRUE(waitFor([&] { return far->radio.peek("FA;") == "FA07074000;"; }, 5s));
}

}  // namespace
}  // namespace hrx
