#pragma once

#include "FileDialog.h"

#include <QList>
#include <QQueue>

/// Answers file dialogs from a script (cancel when it is empty) and records what was asked.
class ScriptedFileDialog final : public FileDialog
{
public:
    QString openFileName(QWidget *, const Request &request) override { return next(request); }
    QString saveFileName(QWidget *, const Request &request) override { return next(request); }

    QQueue<QString> answers;
    QList<Request> requests;

private:
    QString next(const Request &request)
    {
        requests.append(request);
        return answers.isEmpty() ? QString() : answers.dequeue();
    }
};
