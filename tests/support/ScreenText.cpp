#include "support/ScreenText.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace screentext {

std::optional<QString> read(const QImage& image)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("screen.png");
    if (!dir.isValid() || image.isNull() || !image.save(path, "PNG"))
        return std::nullopt;
    QProcess ocr;
    // One thread: tesseract's OpenMP threads crawl when other tests load the machine.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("OMP_THREAD_LIMIT", "1");
    ocr.setProcessEnvironment(environment);
    ocr.start("tesseract", {path, "stdout", "-l", "eng"});
    if (!ocr.waitForFinished(60000) || ocr.exitStatus() != QProcess::NormalExit || ocr.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(ocr.readAllStandardOutput());
}

QString folded(const QString& text)
{
    QString out = text.toLower();
    static const std::pair<QChar, QChar> letters[] = {
        {u'ı', u'i'}, {u'ş', u's'}, {u'ğ', u'g'}, {u'ü', u'u'}, {u'ö', u'o'}, {u'ç', u'c'},
    };
    for (const auto& [from, to] : letters)
        out.replace(from, to);
    out.remove(QChar(0x0307)); // the dot "İ" leaves on lower-casing
    return out;
}

QStringList found(const QString& text, const QStringList& phrases)
{
    const QString haystack = folded(text);
    QStringList out;
    for (const QString& phrase : phrases) {
        const QRegularExpression whole("\\b" + QRegularExpression::escape(folded(phrase)) + "\\b");
        if (haystack.contains(whole))
            out << phrase;
    }
    return out;
}

} // namespace screentext
