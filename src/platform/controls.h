#pragma once

#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <string_view>

#include "platform/twips.h"

namespace tesselin {

inline QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A menu and its items, named as the program names them.
inline QMenu* makeMenu(QMenuBar* bar, const char* name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}
inline QAction* makeMenuItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

// A child control named as the program names it, so that tests find it.
template <typename Widget>
Widget* makeControl(QWidget* parent, const char* name) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

template <typename Widget>
Widget* makeControl(QWidget* parent, const char* name, const char* text) {
    Widget* widget = makeControl<Widget>(parent, name);
    widget->setText(QString::fromUtf8(text));
    return widget;
}

// Puts a control at a place given in twips; a negative size becomes 0.
inline void place(QWidget* widget, const TwipsRect& rect) {
    widget->setGeometry(twipsToPixels(rect.left), twipsToPixels(rect.top),
                        std::max(0, twipsToPixels(rect.width)),
                        std::max(0, twipsToPixels(rect.height)));
}

// Puts a caption at its place, widened where this system's font needs more
// room than the designed width gives, so that no caption is cut off.
inline void placeCaption(QWidget* caption, const TwipsRect& rect) {
    place(caption, rect);
    caption->resize(std::max(caption->width(), caption->sizeHint().width()), caption->height());
}

// The width a label or a text box needs to show its whole text.
inline int wholeTextWidth(const QWidget* control) {
    if (const auto* box = qobject_cast<const QLineEdit*>(control)) {
        // The box's own size hint is made for 17 x's; the frame and margins
        // around them stay, the x's give way to the text, the cursor and a
        // little air.
        const QFontMetrics metrics(box->font());
        return box->sizeHint().width() - 17 * metrics.horizontalAdvance(QLatin1Char('x')) +
               metrics.horizontalAdvance(box->text()) + 4;
    }
    return control->sizeHint().width();
}

// Puts a control that shows a value at its place, widened where the value
// needs more room than the designed width gives, up to `roomTwips`.
inline void placeValue(QWidget* control, const TwipsRect& rect, int roomTwips) {
    place(control, rect);
    const int room = std::max(control->width(), twipsToPixels(roomTwips));
    control->resize(std::clamp(wholeTextWidth(control), control->width(), room), control->height());
}

}  // namespace tesselin
