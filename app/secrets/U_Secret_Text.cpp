#include "U_Secret_Text.h"

#include <QByteArray>
#include <QLineEdit>

#include <string.h> // explicit_bzero

namespace {

// Overwrites the buffer of a copy just taken from a widget, but only while
// the widget and that copy are its only holders: a buffer someone else
// shares (a clipboard's data, a message) is theirs to keep.
void WipeWidgetBuffer(QString copy) {
    const QArrayData* header = copy.data_ptr().d_ptr();
    if (header != nullptr && header->ref_.loadRelaxed() == 2) {
        WipeSharedText(copy);
    }
}

} // namespace

void WipeSharedText(const QString& text) {
    // Only a buffer on the heap is ours to write: literals live in read-only
    // data and report no capacity.
    if (text.isEmpty() || text.capacity() == 0) {
        return;
    }
    auto* characters = const_cast<QChar*>(text.constData());
    explicit_bzero(characters, static_cast<std::size_t>(text.size()) * sizeof(QChar));
}

std::string SecretUtf8(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    std::string result(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    explicit_bzero(utf8.data(), static_cast<std::size_t>(utf8.size()));
    return result;
}

void ClearSecretField(QLineEdit* field) {
    WipeFieldTexts({field});
    // Setting a text, unlike clear(), also drops the undo history.
    field->setText(QString());
}

void WipeFieldTexts(std::initializer_list<QLineEdit*> fields) {
    for (QLineEdit* field : fields) {
        WipeWidgetBuffer(field->text());
        // The copy the field's text layout draws from (its own when the text
        // is shown plainly) is handed out only by displayText(), which
        // Keyvale never keeps.
        const QString shown = field->displayText();
        WipeSharedText(shown);
    }
}
