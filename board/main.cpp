// quorvelBoard: the lobby's display of who is being served and who waits. It reads the data
// folder and writes nothing into it.
#include "BoardAnnouncer.h"
#include "BoardModel.h"
#include "BoardWindow.h"
#include "ProgramVersion.h"
#include "QtSound.h"
#include "QtSpeech.h"
#include "QuorvelLogo.h"
#include "SystemParameters.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
struct BoardOptions
{
    bool windowed = false;
    bool quiet = false;
    bool noVoice = false;
    NameForm nameForm = NameForm::FirstAndInitial;
};

/// Reads the command line before anything needs a display, so that --help and a wrong option
/// are answered on a terminal without one. Ends the program when it has answered.
BoardOptions parseOptions(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("quorvelBoard"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The lobby display board."));
    parser.addHelpOption();
    const QCommandLineOption windowed(QStringLiteral("windowed"),
                                      QStringLiteral("Show a window instead of the full screen."));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("No chime and no voice when a customer is taken."));
    const QCommandLineOption noVoice(QStringLiteral("no-voice"),
                                     QStringLiteral("The chime only: customers are not called aloud."));
    const QCommandLineOption privacy(
        QStringLiteral("privacy"),
        QStringLiteral("How customers are named: first (Jane D.), initials (J. D.) or full."),
        QStringLiteral("form"), QStringLiteral("first"));
    parser.addOptions({windowed, quiet, noVoice, privacy});
    parser.process(app);
    BoardOptions options;
    options.windowed = parser.isSet(windowed);
    options.quiet = parser.isSet(quiet);
    options.noVoice = parser.isSet(noVoice);
    if (!parseNameForm(parser.value(privacy), options.nameForm)) {
        std::fprintf(stderr, "quorvelBoard: --privacy takes first, initials or full\n");
        std::exit(2);
    }
    return options;
}
} // namespace

int main(int argc, char *argv[])
{
    if (ProgramVersion::isAsked(argc, argv))
        return ProgramVersion::print(QStringLiteral("quorvelBoard"));
    const BoardOptions options = parseOptions(argc, argv);
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("quorvelBoard"));
    app.setWindowIcon(quorvelLogo(64));

    SystemParameters params;
    loadSystemParameters(QCoreApplication::applicationDirPath(), params);
    formFilePaths(params);
    SystemClock clock;
    BoardModel model(params, clock, options.nameForm);
    QObject::connect(&model, &BoardModel::queueUnreadable, [](const QString &why) {
        std::fprintf(stderr, "quorvelBoard: waiting for the queue: %s\n", qPrintable(why));
    });

    QtSound sound;
    std::unique_ptr<QtSpeech> speech;
    if (!options.quiet && !options.noVoice)
        speech = std::make_unique<QtSpeech>();
    BoardAnnouncer announcer(options.quiet ? nullptr : &sound, speech.get(), params.chimePath(),
                             BoardAnnouncer::sentenceOf(params.iniPath()));
    QObject::connect(&model, &BoardModel::customerTaken, &announcer, &BoardAnnouncer::announce);

    BoardWindow window(model);
    if (options.windowed) {
        window.resize(1280, 720);
        window.show();
    } else {
        window.showFullScreen();
    }
    model.start();
    return app.exec();
}
