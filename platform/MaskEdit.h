#pragma once

#include "platform/EditMask.h"

#include <QLineEdit>

namespace platform {

// A single-line edit with an edit mask in the classic notation (platform/EditMask.h).
class TMaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TMaskEdit(QWidget* parent = nullptr);

    const QString& editMask() const { return classicMask_; }
    // Sets the mask in the classic notation; an empty mask takes the mask away.
    void setEditMask(const QString& classicMask);
    bool isMasked() const { return !classicMask_.isEmpty(); }

    // The text as a value: with a mask, the characters typed into its positions (with
    // the literals when the mask keeps them); without one, the text.
    QString editText() const;

    // Raises an error when the text does not fill the mask's required positions, and
    // puts the caret on the first position that is not filled.
    void validateEdit();

    // The longest text; 0 means no limit (QLineEdit's own 0 would allow no text).
    int maxTextLength() const { return maxLength_; }
    void setMaxTextLength(int length);

private:
    QString classicMask_;
    EditMask mask_;
    int maxLength_ = 0;
};

} // namespace platform
