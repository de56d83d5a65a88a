#pragma once
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// The Debian poppler tools, run on a PDF file the program wrote: what a
// reader finds in it, and whether every page renders.
namespace pdftools {

constexpr int kToolWaitMs = 120000;

inline QString run(const QString& program, const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(kToolWaitMs);
    if (exitCode)
        *exitCode = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of the document (or of one page, counted from 1), laid out as printed.
inline QString text(const QString& pdf, int page = 0)
{
    QStringList arguments{QStringLiteral("-layout")};
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    arguments << pdf << QStringLiteral("-");
    return run(QStringLiteral("pdftotext"), arguments);
}

// "Pages:" of pdfinfo; 0 when the file does not read as a PDF.
inline int pageCount(const QString& pdf)
{
    int status = 0;
    const QString info = run(QStringLiteral("pdfinfo"), {pdf}, &status);
    const auto match = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption).match(info);
    return status == 0 && match.hasMatch() ? match.captured(1).toInt() : 0;
}

// Renders every page to PNG files in folder at a low resolution; the number
// of images made (-1 when pdftoppm failed).
inline int renderPages(const QString& pdf, const QString& folder)
{
    int status = 0;
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"), pdf,
                                        QDir(folder).filePath(QStringLiteral("page"))}, &status);
    if (status != 0)
        return -1;
    return int(QDir(folder).entryList({QStringLiteral("page*.png")}, QDir::Files).size());
}
}
