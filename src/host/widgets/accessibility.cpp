#include "host/widgets/accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

namespace confcred::host::widgets {

namespace {

QString labelName(const QLabel& label) {
    QString text = label.text();
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    text = text.trimmed();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

// A widget inside a composite control belongs to that control.
bool isPart(const QWidget* widget, const QWidget* root) {
    for (const QWidget* p = widget->parentWidget(); p != nullptr && p != root;
         p = p->parentWidget()) {
        if (qobject_cast<const QLineEdit*>(p) || qobject_cast<const QAbstractSpinBox*>(p) ||
            qobject_cast<const QMenuBar*>(p) || qobject_cast<const QTabBar*>(p) ||
            qobject_cast<const QAbstractItemView*>(p) || qobject_cast<const QComboBox*>(p))
            return true;
    }
    return false;
}

bool isControl(const QWidget* widget, const QWidget* root) {
    // A widget that hands its focus on (a tab widget to its tab bar) is not
    // a stop of its own.
    if (widget->window() != root->window() || isPart(widget, root) ||
        widget->focusProxy() != nullptr)
        return false;
    return qobject_cast<const QAbstractButton*>(widget) != nullptr ||
           (widget->focusPolicy() & Qt::TabFocus) != 0;
}

QString roleName(QAccessible::Role role) {
    switch (role) {
        case QAccessible::PushButton:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
            return QStringLiteral("button");
        case QAccessible::CheckBox:
            return QStringLiteral("checkbox");
        case QAccessible::RadioButton:
            return QStringLiteral("radio");
        case QAccessible::EditableText:
            return QStringLiteral("text");
        case QAccessible::SpinBox:
            return QStringLiteral("spinbox");
        case QAccessible::ComboBox:
            return QStringLiteral("combobox");
        case QAccessible::Table:
            return QStringLiteral("table");
        case QAccessible::List:
            return QStringLiteral("list");
        case QAccessible::PageTabList:
            return QStringLiteral("tablist");
        default:
            return QStringLiteral("role%1").arg(static_cast<int>(role));
    }
}

}  // namespace

void nameControls(QWidget* root) {
    for (QLabel* label : root->findChildren<QLabel*>()) {
        QWidget* buddy = label->buddy();
        if (buddy != nullptr && buddy->accessibleName().isEmpty())
            buddy->setAccessibleName(labelName(*label));
    }
    // A grid on a tab page is named by its tab, a tab bar by its tabs.
    for (QTabWidget* tabs : root->findChildren<QTabWidget*>()) {
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i) {
            const QString title = tabs->tabText(i).remove(QLatin1Char('&'));
            titles << title;
            for (QAbstractItemView* view : tabs->widget(i)->findChildren<QAbstractItemView*>()) {
                if (view->accessibleName().isEmpty())
                    view->setAccessibleName(title);
            }
        }
        if (tabs->tabBar()->accessibleName().isEmpty())
            tabs->tabBar()->setAccessibleName(titles.join(QStringLiteral(" / ")));
    }
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
        if (button->text().isEmpty() && button->accessibleName().isEmpty() &&
            !button->toolTip().isEmpty())
            button->setAccessibleName(button->toolTip());
    }
    // Two controls that would read alike ("Todos", "Pesquisar" in the client
    // and the consumer groups) are told apart by their group's title.
    QHash<QString, int> uses;
    const std::vector<AccessibleControl> controls = accessibleControls(root);
    for (const AccessibleControl& c : controls)
        ++uses[c.name];
    for (const AccessibleControl& c : controls) {
        if (uses.value(c.name) < 2 || c.name.isEmpty())
            continue;
        for (QWidget* up = c.widget->parentWidget(); up != nullptr && up != root;
             up = up->parentWidget()) {
            auto* group = qobject_cast<QGroupBox*>(up);
            if (group == nullptr || group->title().isEmpty())
                continue;
            c.widget->setAccessibleName(QString(group->title()).remove(QLatin1Char('&')) +
                                        QStringLiteral(": ") + c.name);
            break;
        }
    }
}

std::vector<AccessibleControl> accessibleControls(QWidget* root) {
    std::vector<AccessibleControl> controls;
    // The focus chain gives the order the operator tabs through; controls
    // outside it (buttons that take no focus) follow in creation order.
    QList<QWidget*> ordered;
    for (QWidget* w = root->nextInFocusChain(); w != nullptr && w != root;
         w = w->nextInFocusChain()) {
        if (root->isAncestorOf(w) && !ordered.contains(w))
            ordered << w;
    }
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!ordered.contains(w))
            ordered << w;
    }
    for (QWidget* w : ordered) {
        if (!isControl(w, root))
            continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        if (face == nullptr)
            continue;
        controls.push_back(
            {roleName(face->role()), w->objectName(), face->text(QAccessible::Name), w});
    }
    return controls;
}

}  // namespace confcred::host::widgets
