#include "platform/FormView.h"

#include "platform/FormScale.h"

#include <QKeyEvent>
#include <algorithm>
#include <QPushButton>

FormView::FormView(const FormTemplate& form, QWidget* parent)
    : QScrollArea(parent), page(new QWidget) {
    buildForm(form, page);
    page->setFixedSize(formSize());
    setWidget(page);
    setWidgetResizable(false);
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void FormView::OnInitialUpdate() {
    UpdateData(false);
}

void FormView::focusFirstControl() {
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(page) &&
            page->isAncestorOf(w)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    setFocus();
}

void FormView::runCommand(int command) {
    auto found = commands.find(command);
    if (found != commands.end())
        found->second();
}

void FormView::onCommand(int command, std::function<void()> handler) {
    commands[command] = std::move(handler);
}

void FormView::onCommandAndClick(int command, int buttonId, std::function<void()> handler) {
    onClicked(buttonId, handler);
    onCommand(command, std::move(handler));
}

// A form is not a dialog, so Enter presses the focused button, else the default button.
void FormView::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QScrollArea::keyPressEvent(event);
        return;
    }
    QPushButton* button = qobject_cast<QPushButton*>(focusWidget());
    if (!button)
        button = defaultButton();
    if (button && button->isEnabled() && button->isVisible())
        button->click();
    event->accept();
}

void FormView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    fitToWindow();
}

double FormView::largestScale() const {
    return FormScale::largestFitting(formSize(), size());
}

// The growing list takes the room the scaled form leaves, but for the margin the form had in
// the window it was drawn for, so that at that size it looks as it was drawn. The margin fades
// out as the window grows to twice that size.
QSize FormView::roomForList(QSize drawn) const {
    const QSize window = this->window()->size();
    const QSize designed = FormScale::kDrawnForWindow;
    const QSize roomAsDrawn = size() - (window - designed);
    const QSize margin = (roomAsDrawn - formSize()).expandedTo(QSize(0, 0));
    auto kept = [](int windowLength, int designedLength) {
        return std::clamp(2.0 - double(windowLength) / designedLength, 0.0, 1.0);
    };
    const QSize fading(FormScale::scaled(margin.width(), kept(window.width(), designed.width())),
                       FormScale::scaled(margin.height(), kept(window.height(), designed.height())));
    return (size() - drawn - fading).expandedTo(QSize(0, 0));
}

void FormView::fitToWindow() {
    const double scale = FormScale::forForm(formSize(), size(), window()->size());
    const QSize drawn(FormScale::scaled(formSize().width(), scale),
                      FormScale::scaled(formSize().height(), scale));
    const QSize extra = hasGrowingList() ? roomForList(drawn) : QSize();
    page->setUpdatesEnabled(false);
    layOut(scale, extra);
    page->setFixedSize(drawn + extra);
    laidOut();
    page->setUpdatesEnabled(true);
}
