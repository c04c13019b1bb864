#ifndef STANDARDERRORCAPTURE_H
#define STANDARDERRORCAPTURE_H

#include <QByteArray>
#include <QFile>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Sends the process's standard error to a temporary file while it lives. What was
// captured is passed on to the real standard error at the end, so nothing is hidden.
class StandardErrorCapture
{
public:
    StandardErrorCapture()
    {
        file.open();
        std::fflush(stderr);
        saved = ::dup(STDERR_FILENO);
        ::dup2(file.handle(), STDERR_FILENO);
    }

    ~StandardErrorCapture()
    {
        const QByteArray captured = text();
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        if (!captured.isEmpty())
            std::fprintf(stderr, "[captured standard error] %s\n", captured.constData());
    }

    QByteArray text()
    {
        std::fflush(stderr);
        QFile reader(file.fileName());
        reader.open(QIODevice::ReadOnly);
        return reader.readAll();
    }

private:
    QTemporaryFile file;
    int saved = -1;
};

#endif
