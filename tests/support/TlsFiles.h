#pragma once
// A station's certificates, made at test time with the openssl command as
// the README tells operators to make them: a CA, the remote station's
// certificate (for 127.0.0.1 and localhost) and the operator's, signed by
// it; and, to be refused, a second CA and a certificate of the first CA for
// another host only. Keys are P-256, made fresh in a temporary folder and
// removed with it.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace hrx::test {

class TlsFiles {
 public:
  TlsFiles() {
    char tpl[] = "/tmp/hrx900-tls-XXXXXX";
    if (::mkdtemp(tpl) != nullptr) dir_ = tpl;
    ok_ = !dir_.empty() && makeCa("ca", "Station CA") && makeCa("other-ca", "Someone else") &&
          makeCert("server", "ca", "shack", "subjectAltName=IP:127.0.0.1,DNS:localhost\nextendedKeyUsage=serverAuth") &&
          makeCert("elsewhere", "ca", "elsewhere", "subjectAltName=DNS:elsewhere.example\nextendedKeyUsage=serverAuth") &&
          makeCert("client", "ca", "operator", "extendedKeyUsage=clientAuth");
  }
  ~TlsFiles() {
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }
  static bool available() { return std::system("openssl version >/dev/null 2>&1") == 0; }
  bool ok() const { return ok_; }
  // `name`.pem / `name`.key in the folder.
  std::string pem(const std::string& name) const { return dir_ + "/" + name + ".pem"; }
  std::string key(const std::string& name) const { return dir_ + "/" + name + ".key"; }

  // ser2net's ssl accepter presenting certificate `name`; with `clientAuth`
  // it asks for the operator's certificate, which it lets in when it is
  // among the allowed ones of its common name below authDir().
  std::string accepter(const std::string& name, bool clientAuth) const {
    std::string s = "key=" + key(name) + ",cert=" + pem(name);
    if (clientAuth) s += ",clientauth";
    return s;
  }
  // ser2net's authdir: operator/allowed_certs holding the operator's
  // certificate and the CA that signed it (it is checked as a chain),
  // hashed as OpenSSL looks certificates up.
  std::string authDir() const {
    const std::string allowed = dir_ + "/auth/operator/allowed_certs";
    std::error_code ec;
    std::filesystem::create_directories(allowed, ec);
    std::filesystem::copy_file(pem("client"), allowed + "/operator.pem",
                               std::filesystem::copy_options::overwrite_existing, ec);
    std::filesystem::copy_file(pem("ca"), allowed + "/ca.pem", std::filesystem::copy_options::overwrite_existing, ec);
    run("openssl rehash " + allowed);
    return dir_ + "/auth";
  }
  // Puts `caName`.pem as ca.pem into `settingsDir`/CommoFiles/tls, with the
  // operator's certificate beside it when `withClient`.
  bool install(const std::string& settingsDir, const std::string& caName, bool withClient) const {
    namespace fs = std::filesystem;
    const fs::path tls = fs::path(settingsDir) / "CommoFiles" / "tls";
    std::error_code ec;
    fs::create_directories(tls, ec);
    const auto opt = fs::copy_options::overwrite_existing;
    bool ok = fs::copy_file(pem(caName), tls / "ca.pem", opt, ec);
    if (withClient) {
      ok = ok && fs::copy_file(pem("client"), tls / "client.pem", opt, ec);
      ok = ok && fs::copy_file(key("client"), tls / "client.key", opt, ec);
    }
    return ok;
  }

 private:
  bool run(const std::string& command) const { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
  bool makeCa(const std::string& name, const std::string& cn) const {
    return run("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 30 -keyout " + key(name) +
               " -out " + pem(name) + " -subj '/CN=" + cn + "' -addext basicConstraints=critical,CA:TRUE" +
               " -addext keyUsage=critical,keyCertSign,cRLSign");
  }
  bool makeCert(const std::string& name, const std::string& ca, const std::string& cn, const std::string& ext) const {
    const std::string extFile = dir_ + "/" + name + ".ext";
    const std::string csr = dir_ + "/" + name + ".csr";
    std::ofstream(extFile) << ext << "\n";
    return run("openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout " + key(name) + " -out " + csr +
               " -subj '/CN=" + cn + "'") &&
           run("openssl x509 -req -in " + csr + " -CA " + pem(ca) + " -CAkey " + key(ca) +
               " -CAcreateserial -days 30 -out " + pem(name) + " -extfile " + extFile);
  }

  std::string dir_;
  bool ok_ = false;
};

}  // namespace hrx::test
