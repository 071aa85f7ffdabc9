#pragma once

#include <QWidget>
#include <array>

class EnvelopeDocument;
class QToolButton;

// The four print toggles of the layout editor's bottom bar, one per picture (sender,
// recipient, index, stamp): each shows whether the document's profile prints its
// picture and sends the user's change to the document.
class PictureToggles : public QWidget {
    Q_OBJECT

public:
    PictureToggles(EnvelopeDocument& document, QWidget* parent);

    // Shows whether the picture of the slot is printed.
    void showPrinted(int slot, bool printed);
    // Shows or hides the toggle of the slot, as the format offers its picture or not.
    void showOffered(int slot, bool offered);

signals:
    // The user switched a toggle; the document already holds it.
    void userChanged();

private:
    std::array<QToolButton*, 4> toggles{};
};
