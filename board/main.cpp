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
#include <memory>

int main(int argc, char *argv[])
{
    if (ProgramVersion::isAsked(argc, argv))
        return ProgramVersion::print(QStringLiteral("quorvelBoard"));
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("quorvelBoard"));
    app.setWindowIcon(quorvelLogo(64));

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
    NameForm nameForm = NameForm::FirstAndInitial;
    if (!parseNameForm(parser.value(privacy), nameForm)) {
        std::fprintf(stderr, "quorvelBoard: --privacy takes first, initials or full\n");
        return 2;
    }

    SystemParameters params;
    loadSystemParameters(QCoreApplication::applicationDirPath(), params);
    formFilePaths(params);
    SystemClock clock;
    BoardModel model(params, clock, nameForm);

    QtSound sound;
    std::unique_ptr<QtSpeech> speech;
    if (!parser.isSet(quiet) && !parser.isSet(noVoice))
        speech = std::make_unique<QtSpeech>();
    BoardAnnouncer announcer(parser.isSet(quiet) ? nullptr : &sound, speech.get(),
                             params.chimePath(), BoardAnnouncer::sentenceOf(params.iniPath()));
    QObject::connect(&model, &BoardModel::customerTaken, &announcer, &BoardAnnouncer::announce);

    BoardWindow window(model);
    if (parser.isSet(windowed)) {
        window.resize(1280, 720);
        window.show();
    } else {
        window.showFullScreen();
    }
    model.start();
    return app.exec();
}
