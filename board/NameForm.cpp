#include "NameForm.h"

#include <QTextBoundaryFinder>

namespace {
/// The first character as a reader sees it (an accent or a surrogate pair stays whole), with a
/// full stop: "D.".
QString initial(const QString &name)
{
    if (name.isEmpty())
        return {};
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, name);
    const qsizetype end = graphemes.toNextBoundary();
    return name.left(end > 0 ? end : 1).toUpper() + QLatin1Char('.');
}
} // namespace

bool parseNameForm(const QString &text, NameForm &form)
{
    if (text == QLatin1String("first"))
        form = NameForm::FirstAndInitial;
    else if (text == QLatin1String("initials"))
        form = NameForm::Initials;
    else if (text == QLatin1String("full"))
        form = NameForm::Full;
    else
        return false;
    return true;
}

QString formatName(const QString &firstName, const QString &lastName, NameForm form)
{
    const QString first = firstName.simplified();
    const QString last = lastName.simplified();
    QString shown;
    switch (form) {
    case NameForm::FirstAndInitial:
        shown = first + QLatin1Char(' ') + initial(last);
        break;
    case NameForm::Initials:
        shown = initial(first) + QLatin1Char(' ') + initial(last);
        break;
    case NameForm::Full:
        shown = first + QLatin1Char(' ') + last;
        break;
    }
    return shown.trimmed();
}
