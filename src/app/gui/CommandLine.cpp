#include "app/gui/CommandLine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <cerrno>
#include <cstring>

#include "platform/NetSerial.h"

namespace hrx::gui {

CommandLine parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Remote control of the HRX900 HF transceiver."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption device(QStringLiteral("device"), QStringLiteral("Serial device of the radio, or a network port tcp://HOST:PORT or rfc2217://HOST:PORT."),
                                  QStringLiteral("PATH"));
  const QCommandLineOption simulate(QStringLiteral("simulate"),
                                    QStringLiteral("Run against a simulated radio on a pseudo-terminal."));
  const QCommandLineOption instantLine(
      QStringLiteral("instant-line"),
      QStringLiteral("With --simulate: the simulated radio takes and answers commands at once instead of at the "
                     "port's line speed."));
  const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                      QStringLiteral("Write the panel as a PNG image after start-up, then exit."),
                                      QStringLiteral("FILE"));
  const QCommandLineOption dumpState(
      QStringLiteral("dump-state"),
      QStringLiteral("Switch the link on after start-up; when standard input ends, write every state field, "
                     "the menu items and the panel image's checksum to FILE, then exit."),
      QStringLiteral("FILE"));
  // --share takes its value only after '=', which the parser cannot say:
  // it is taken out here and listed for the help text only.
  const QCommandLineOption shareHelp(
      QStringLiteral("share"),
      QStringLiteral("Share the radio with other station programs (rig-control protocol) on ADDR:PORT "
                     "(default 127.0.0.1:4532). Written --share or --share=ADDR:PORT."),
      QStringLiteral("ADDR:PORT"));
  const QCommandLineOption shareAllow(
      QStringLiteral("share-allow"),
      QStringLiteral("Networks that may connect when sharing beyond this computer, such as 192.168.1.0/24,10.0.0.5."),
      QStringLiteral("CIDR[,CIDR...]"));
  struct SetupOption {
    CommandLine::Setup form;
    QCommandLineOption option;
  };
  const SetupOption setupOptions[] = {
      {CommandLine::Setup::Save,
       {QStringLiteral("save-setup"),
        QStringLiteral("Connect, wait for the read-out, save the radio's set-up menu to FILE and exit (0: saved)."),
        QStringLiteral("FILE")}},
      {CommandLine::Setup::Compare,
       {QStringLiteral("compare-setup"),
        QStringLiteral("Connect, print the menu items whose value differs from FILE and exit (0: none, 1: some)."),
        QStringLiteral("FILE")}},
      {CommandLine::Setup::Restore,
       {QStringLiteral("restore-setup"),
        QStringLiteral("Connect, write the menu items that differ from FILE, print the summary and exit "
                       "(0: all confirmed, 1: some not)."),
        QStringLiteral("FILE")}},
  };
  parser.addOption(device);
  for (const SetupOption& o : setupOptions) parser.addOption(o.option);
  parser.addOption(simulate);
  parser.addOption(instantLine);
  parser.addOption(screenshot);
  parser.addOption(dumpState);
  parser.addOption(shareHelp);
  parser.addOption(shareAllow);

  CommandLine out;
  QStringList rest;
  QString endpoint;
  for (const QString& a : arguments) {
    if (a == QStringLiteral("--share")) {
      out.share = true;
    } else if (a.startsWith(QStringLiteral("--share="))) {
      out.share = true;
      endpoint = a.mid(8);
      if (endpoint.isEmpty()) endpoint = QStringLiteral("?");
    } else {
      rest << a;
    }
  }
  if (!parser.parse(rest)) {
    out.action = CommandLine::Action::Error;
    out.message = parser.errorText();
    return out;
  }
  if (parser.isSet(help)) {
    out.action = CommandLine::Action::Help;
    out.message = parser.helpText();
    // The usage line names the program, whatever started it.
    const qsizetype end = out.message.indexOf(QLatin1Char('['));
    if (out.message.startsWith(QStringLiteral("Usage: ")) && end > 0)
      out.message.replace(0, end, QStringLiteral("Usage: hrx900 "));
    return out;
  }
  if (parser.isSet(version)) {
    out.action = CommandLine::Action::Version;
    return out;
  }
  if (!parser.positionalArguments().isEmpty()) {
    out.action = CommandLine::Action::Error;
    out.message = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
    return out;
  }
  out.device = parser.value(device);
  out.simulate = parser.isSet(simulate);
  out.instantLine = parser.isSet(instantLine);
  out.screenshot = parser.value(screenshot);
  out.dumpState = parser.value(dumpState);
  int setupForms = 0;
  for (const SetupOption& o : setupOptions) {
    if (!parser.isSet(o.option)) continue;
    ++setupForms;
    out.setup = o.form;
    out.setupFile = parser.value(o.option);
  }
  if (parser.isSet(device) && out.device.isEmpty()) {
    out.action = CommandLine::Action::Error;
    out.message = QStringLiteral("--device needs a path.");
  } else if (out.simulate && !out.device.isEmpty()) {
    out.action = CommandLine::Action::Error;
    out.message = QStringLiteral("--device and --simulate cannot be used together.");
  } else if (out.instantLine && !out.simulate) {
    out.action = CommandLine::Action::Error;
    out.message = QStringLiteral("--instant-line needs --simulate.");
  } else if (parser.isSet(screenshot) && out.screenshot.isEmpty()) {
    out.action = CommandLine::Action::Error;
    out.message = QStringLiteral("--screenshot needs a file name.");
  } else if (parser.isSet(dumpState) && (out.dumpState.isEmpty() || parser.isSet(screenshot))) {
    out.action = CommandLine::Action::Error;
    out.message = QStringLiteral("--dump-state needs a file name and cannot be used with --screenshot.");
  } else if (setupForms > 1 || (setupForms == 1 && (out.setupFile.isEmpty() || parser.isSet(screenshot) ||
                                                      parser.isSet(dumpState) || out.share))) {
    out.action = CommandLine::Action::Error;
    out.message = QStringLiteral("--save-setup, --compare-setup and --restore-setup take a file name and go alone "
                                 "(with --device).");
  } else if (!endpoint.isEmpty() &&
             !share::parseEndpoint(endpoint.toStdString(), &out.shareConfig.address, &out.shareConfig.port)) {
    out.action = CommandLine::Action::Error;
    out.message = QStringLiteral("--share needs ADDR:PORT, such as 127.0.0.1:4532.");
  } else if (parser.isSet(shareAllow) && !out.share) {
    out.action = CommandLine::Action::Error;
    out.message = QStringLiteral("--share-allow needs --share.");
  } else if (parser.isSet(shareAllow) &&
             !share::parseCidrList(parser.value(shareAllow).toStdString(), &out.shareConfig.allow)) {
    out.action = CommandLine::Action::Error;
    out.message = QStringLiteral("--share-allow needs networks such as 192.168.1.0/24.");
  } else if (!out.shareConfig.address.starts_with("127.") && out.shareConfig.allow.empty()) {
    out.action = CommandLine::Action::Error;
    out.message = QStringLiteral("--share=%1 reaches beyond this computer: name the networks that may connect "
                                 "with --share-allow.")
                      .arg(endpoint);
  }
  return out;
}

bool deviceUsable(const QString& path, QString* reason) {
  const QByteArray p = path.toLocal8Bit();
  // A network port is connected later, off this thread; here only its name
  // is checked.
  if (NetSerial::isNetworkPath(p.constData())) {
    NetEndpoint ep;
    if (NetSerial::parse(p.toStdString(), ep)) return true;
    if (reason != nullptr) *reason = QStringLiteral("not a network port name (tcp://HOST:PORT or rfc2217://HOST:PORT)");
    return false;
  }
  struct stat st {};
  if (::stat(p.constData(), &st) != 0) {
    if (reason != nullptr) *reason = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  if (!S_ISCHR(st.st_mode)) {
    if (reason != nullptr) *reason = QStringLiteral("not a character device");
    return false;
  }
  const int fd = ::open(p.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (reason != nullptr) *reason = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  ::close(fd);
  return true;
}

}  // namespace hrx::gui
