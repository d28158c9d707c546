// Secrets in Qt's strings. A QString shares its buffer with its copies and
// frees it unwiped when the last one lets go, so the text a field held would
// stay in freed memory until something else happens to reuse it. These
// helpers overwrite such buffers in place while the widget still owns them,
// and convert a field's text to UTF-8 without leaving the conversion behind.
#pragma once

#include <QString>

#include <initializer_list>
#include <string>

class QLineEdit;

// Overwrites the characters of the buffer `text` shares with its copies, so
// every holder of that buffer (a widget's own text among them) sees blanks
// from now on. Static text (literals) is left alone: it is not ours to write.
void WipeSharedText(const QString& text);

// UTF-8 of a secret. The conversion's intermediate buffer is wiped.
std::string SecretUtf8(const QString& text);

// Wipes the field's text and the copy its text layout draws from, then
// empties it together with its undo history. What the field held is then
// nowhere in freed memory in one piece (undo kept typed characters one by
// one, never the whole text).
void ClearSecretField(QLineEdit* field);

// Wipes the fields' texts before new ones are set in them. A text that
// something besides the field still holds is left to its holder.
void WipeFieldTexts(std::initializer_list<QLineEdit*> fields);
