#pragma once

#include <QChar>
#include <QString>

// A text with numbers in it (a caption, a hint): every '.' or ',' that stands between two digits
// becomes the separator; the sentence's own points and commas stay.
QString WithDecimalSeparator(const QString& text, QChar separator);
