// quorvelBoard: the lobby's display of who is being served and who waits. It reads the data
// folder and writes nothing into it.
#include "BoardModel.h"
#include "BoardWindow.h"
#include "ProgramVersion.h"
#include "QtSound.h"
#include "QuorvelLogo.h"
#include "SystemParameters.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

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
                                   QStringLiteral("No chime when a customer is taken."));
    const QCommandLineOption privacy(
        QStringLiteral("privacy"),
        QStringLiteral("How customers are named: first (Jane D.), initials (J. D.) or full."),
        QStringLiteral("form"), QStringLiteral("first"));
    parser.addOptions({windowed, quiet, privacy});
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
    if (!parser.isSet(quiet)) {
        QObject::connect(&model, &BoardModel::customerTaken, [&] {
            // No audio output, or no chime in the folder: the board simply stays silent.
            QString error;
            if (sound.hasOutput() &&
                sound.openFile(params.chimePath(), error) == SoundBackend::FileCheck::Ready)
                sound.playFile();
        });
    }

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
