// The small controls: flat toolbar button, search button, date edit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <optional>

#include "dataset/data_source.h"
#include "dataset/dataset_test_util.h"
#include "host/automation/synthetic_input.h"
#include "host/core/application.h"
#include "host/widgets/btn_pesquisa.h"
#include "host/widgets/button_flat.h"
#include "host/widgets/date_edit_plus.h"
#include "host/widgets/label_fit.h"
#include "support/wait_until.h"

using namespace confcred;
using namespace confcred::host;
using namespace confcred::host::widgets;
using namespace confcred::host::automation;
using platform::DateTime;

namespace {

TEST(ButtonFlat, IsA21By21FlatButtonWithGlyphAndHint) {
    QWidget panel;
    widgets::TButtonFlat button("btnEfetivaCredito", "Efetivar Crédito",
                                widgets::glyphIcon(widgets::Glyph::Confirm), &panel);
    button.place(181, 4);
    EXPECT_EQ(button.objectName(), "btnEfetivaCredito");
    EXPECT_EQ(button.size(), QSize(21, 21));
    EXPECT_EQ(button.geometry().topLeft(), QPoint(181, 4));
    EXPECT_EQ(button.hint(), "Efetivar Crédito");
    EXPECT_EQ(button.toolTip(), "Efetivar Crédito");
    EXPECT_TRUE(button.autoRaise());
    EXPECT_FALSE(button.icon().isNull());
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    panel.show();
    automation::sendClick(&button, button.rect().center());
    EXPECT_EQ(clicks, 1);
}

TEST(BtnPesquisa, CarriesItsSearchSettingsAndSitsBesideItsControl) {
    QWidget box;
    QRadioButton lista("Lista", &box);
    lista.setGeometry(10, 20, 60, 20);
    widgets::TBtnPesquisa button(&box);
    EXPECT_EQ(button.hint(), "Pesquisar");
    button.setAssociate(&lista);
    button.placeBesideAssociate();
    EXPECT_EQ(button.geometry().left(), 72);
    EXPECT_EQ(button.geometry().top(), 20);

    dataset::RecordSet set("cdsConsumidor");
    dataset::DataSource source(&set);
    button.setDataSource(&source);
    button.setEmptyError("Não há consumidor cadastrado.");
    button.setDataSetClosed(true);
    button.setTitle("Consumidor");
    EXPECT_EQ(button.Associate(), &lista);
    EXPECT_EQ(button.DataSource(), &source);
    EXPECT_EQ(button.EmptyError(), "Não há consumidor cadastrado.");
    EXPECT_TRUE(button.DataSetClosed());
    EXPECT_EQ(button.title(), "Consumidor");
    EXPECT_FALSE(button.hasRecords());  // closed
    set.loadPacket(
        dataset::testing::makePacket({{"CHAVE", dataset::FieldType::String, 42}}, {{"001001"}}));
    EXPECT_TRUE(button.hasRecords());
}

class DateEditTest : public ::testing::Test {
  protected:
    widgets::TDateEditPlus edit;
};

TEST_F(DateEditTest, GivesTheDateAloneUnlessSaveTimeIsOn) {
    const DateTime value = DateTime::fromParts(2026, 12, 7, 14, 30, 5);
    edit.setDate(value);
    EXPECT_EQ(edit.text(), "07/12/2026");
    EXPECT_FALSE(edit.SaveTime());
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 12, 7));
    edit.setSaveTime(true);
    EXPECT_EQ(edit.date(), value);
    // The operator's new date keeps the time of day.
    edit.QDateEdit::setDate(QDate(2026, 12, 31));
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 12, 31, 14, 30, 5));
    EXPECT_TRUE(edit.calendarPopup());
}

// Typed by the operator: a click on the day and digits edit it; a day the
// month lacks stays on screen in red, refused, and is never turned into
// another day, also once the field is left.
TEST_F(DateEditTest, ADayTheMonthLacksIsRefusedAsTyped) {
    edit.setDate(DateTime::fromParts(2026, 11, 30));
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    QApplication::processEvents();
    QLineEdit* line = edit.findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    automation::sendClick(
        line, QPoint(line->fontMetrics().horizontalAdvance("0") + 3, line->height() / 2));
    for (const char c : {'1', '5'})
        automation::sendKey(&edit, Qt::Key_0 + (c - '0'), Qt::NoModifier, QString(QLatin1Char(c)));
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 11, 15));

    edit.setSelectedSection(QDateTimeEdit::DaySection);
    for (const char c : {'3', '1'})
        automation::sendKey(&edit, Qt::Key_0 + (c - '0'), Qt::NoModifier, QString(QLatin1Char(c)));
    EXPECT_EQ(edit.text(), "31/11/2026");
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 11, 15));
    EXPECT_EQ(edit.textColor(), QColor(Qt::red));
    EXPECT_EQ(edit.toolTip(), "Data inválida");

    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&edit, &out);
    EXPECT_EQ(edit.text(), "31/11/2026");
    EXPECT_EQ(edit.textColor(), QColor(Qt::red));
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 11, 15));
}

// What the operator types over a field holding 10/11/2026, reached by Tab
// (the whole date selected), then leaves with Tab or Return: the date taken,
// or a refusal that keeps the text in red, says why on the status line and
// keeps the previous date.
TEST_F(DateEditTest, ReadsWhatWasTypedOrRefusesItVisibly) {
    struct Row {
        const char* typed;
        bool byReturn;
        std::optional<DateTime> taken;  // nothing: refused
    };
    const Row rows[] = {
        {"01/11/2026", false, DateTime::fromParts(2026, 11, 1)},
        {"31122030", false, DateTime::fromParts(2030, 12, 31)},
        {"31122030", true, DateTime::fromParts(2030, 12, 31)},
        {"1/2/2027", false, std::nullopt},  // two digits each for the day and the month
        {"29-02-2028", false, DateTime::fromParts(2028, 2, 29)},
        {"29.02.2027", false, std::nullopt},  // not a leap year
        {"31/11/2026", true, std::nullopt},   // November has 30 days
        {"3112", false, std::nullopt},        // partial
        {"311220", false, std::nullopt},      // a two-digit year is not guessed
        {"31/12/", true, std::nullopt},
        {"00/12/2030", false, std::nullopt},
        {"", false, std::nullopt},  // erased
    };
    edit.show();
    edit.activateWindow();
    ASSERT_TRUE(confcred::testing::waitUntil([&] { return edit.isActiveWindow(); }));
    QLineEdit* line = edit.findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    const DateTime before = DateTime::fromParts(2026, 11, 10);
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.typed) + (row.byReturn ? " + Return" : " + Tab"));
        edit.setDate(before);
        edit.clearFocus();
        edit.setFocus(Qt::TabFocusReason);
        ASSERT_EQ(line->selectedText(), "10/11/2026");
        core::application().showStatus(QString());
        if (*row.typed == '\0')
            sendKey(&edit, Qt::Key_Backspace);
        for (const char* c = row.typed; *c != '\0'; ++c)
            sendKey(&edit, *c >= '0' && *c <= '9' ? Qt::Key_0 + (*c - '0') : Qt::Key_Slash,
                    Qt::NoModifier, QString(QLatin1Char(*c)));
        EXPECT_EQ(edit.text(), row.typed);  // as typed, nothing moved between parts
        if (row.byReturn) {
            sendKey(&edit, Qt::Key_Return);
        } else {
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(&edit, &out);
        }
        if (row.taken) {
            EXPECT_EQ(edit.date(), *row.taken);
            EXPECT_EQ(edit.text(),
                      QDate(row.taken->date().year, row.taken->date().month, row.taken->date().day)
                          .toString("dd/MM/yyyy"));
            EXPECT_TRUE(core::application().lastStatus().isEmpty());
        } else {
            EXPECT_EQ(edit.date(), before);
            EXPECT_EQ(edit.text(), row.typed);
            EXPECT_EQ(edit.textColor(), QColor(Qt::red));
            EXPECT_TRUE(core::application().lastStatus().startsWith("Data "));
            EXPECT_TRUE(core::application().lastStatus().contains("10/11/2026"));
        }
    }
}

TEST_F(DateEditTest, ColoursTheTextByValidityAndNamesTheWeekday) {
    edit.setValidColor(Qt::blue);
    edit.setDate(DateTime::fromParts(2026, 12, 7));
    EXPECT_TRUE(edit.textIsValidDate());
    EXPECT_EQ(edit.textColor(), QColor(Qt::blue));
    EXPECT_EQ(edit.toolTip(), "Segunda, 07/12/2026");

    edit.setEditText("");  // cleared by the operator
    EXPECT_FALSE(edit.textIsValidDate());
    EXPECT_EQ(edit.textColor(), QColor(Qt::red));
    edit.setEditText("28/02/2026");
    EXPECT_EQ(edit.textColor(), QColor(Qt::blue));
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 2, 28));
    // An impossible day is never held: the date stays the last real one.
    edit.setEditText("31/02/2026");
    EXPECT_EQ(edit.date(), DateTime::fromParts(2026, 2, 28));

    EXPECT_EQ(edit.weekdayName(DateTime::fromParts(2026, 12, 6)), "Domingo");
    EXPECT_EQ(edit.weekdayName(DateTime::fromParts(2026, 12, 12)), "Sábado");
    edit.setWeekdayNames({"D", "S", "T", "Q", "Q", "S", "S"});
    EXPECT_EQ(edit.weekdayName(DateTime::fromParts(2026, 12, 8)), "T");
    edit.setWeekdayNames({"too", "few"});  // refused: the names stay
    EXPECT_EQ(edit.weekdayNames().size(), 7);
}

// A label whose text grew in translation takes room on its left; its right
// edge, beside the control it names, stays.
TEST(LabelFit, GrowsLeftwardToItsText) {
    QWidget group;
    QLabel fits("de", &group);
    fits.setGeometry(12, 20, 20, 21);
    widgets::fitLabelLeftward(fits);
    EXPECT_EQ(fits.geometry(), QRect(12, 20, 20, 21));

    QLabel grown("from", &group);
    grown.setGeometry(40, 20, 20, 21);
    widgets::fitLabelLeftward(grown);
    EXPECT_EQ(grown.geometry().right(), 59);
    EXPECT_GE(grown.width(), grown.sizeHint().width());

    QLabel limited("a much longer text than the room", &group);
    limited.setGeometry(12, 20, 20, 21);
    widgets::fitLabelLeftward(limited, 4);
    EXPECT_EQ(limited.geometry(), QRect(4, 20, 28, 21));
}

}  // namespace
