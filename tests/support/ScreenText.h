#pragma once
// The words a person reads on a screenshot, by OCR (tesseract with its English model): for
// tests of the real programs, whose widget texts cannot be read from outside the process.
#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>

namespace screentext {

// The text read in the image; nullopt when tesseract is missing or fails.
std::optional<QString> read(const QImage& image);
// Lower case, with the Turkish letters folded to plain ones (the English model reads "ı" as
// "i" or "t", "ş" as "s"), so that texts compare the way they were read.
QString folded(const QString& text);
// Those of `phrases` that occur in `text` as whole words, both folded.
QStringList found(const QString& text, const QStringList& phrases);

} // namespace screentext
