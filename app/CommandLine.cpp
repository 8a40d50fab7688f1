#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QtGlobal>
#include <cstdio>

namespace {

const QString kProgram = QStringLiteral("ardenox-config");

bool PlatformHasDisplay(const QString& candidate, const QString& display, const QString& waylandDisplay) {
    const QString name = candidate.section(u':', 0, 0).trimmed();
    if (name.isEmpty()) {
        return !display.isEmpty() || !waylandDisplay.isEmpty();
    }
    if (name.startsWith(QLatin1String("xcb"))) {
        return !display.isEmpty();
    }
    if (name.startsWith(QLatin1String("wayland"))) {
        return !waylandDisplay.isEmpty();
    }
    return true;  // offscreen, vnc, minimal, eglfs, linuxfb and the like draw without a display server
}

// The platform Qt will use: the last -platform argument, else the environment.
QString RequestedPlatform(const QStringList& arguments) {
    QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("-platform") || arguments[i] == QLatin1String("--platform")) {
            platform = arguments[i + 1];
        }
    }
    return platform;
}

}  // namespace

bool DisplayAvailable(const QString& platform, const QString& display, const QString& waylandDisplay) {
    const QStringList candidates = platform.split(u';');
    for (const QString& candidate : candidates) {
        if (PlatformHasDisplay(candidate, display, waylandDisplay)) {
            return true;
        }
    }
    return false;
}

std::optional<int> RunCommandLine(int& argc, char** argv) {
    // A core application only: it needs no display, and it is gone before the window's application exists.
    const QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(kProgram);
    QCoreApplication::setApplicationVersion(QStringLiteral(ARDENOX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads and changes the communication settings of an ArdenoX controller.\n"
                       "Qt's own options, e.g. -platform offscreen or -style Fusion, are accepted too."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Qt's options are not known here; they are left for the window's application to take.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("help-all"))) {
        // Only the parser's own run prints Qt's options too; given nothing else, it prints and exits 0.
        parser.process({QCoreApplication::arguments().constFirst(), QStringLiteral("--help-all")});
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(kProgram), ARDENOX_VERSION);
        return 0;
    }
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (!DisplayAvailable(RequestedPlatform(QCoreApplication::arguments()), qEnvironmentVariable("DISPLAY"),
                          qEnvironmentVariable("WAYLAND_DISPLAY"))) {
        std::fprintf(stderr,
                     "%s: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); run it in a desktop "
                     "session, or use ardenox-cli\n",
                     qPrintable(kProgram));
        return 1;
    }
#endif
    return std::nullopt;
}
