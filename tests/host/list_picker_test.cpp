// The list picker: what it shows, pre-marking, mark all / clear all, the
// incremental search, its outcome; PesquisaLista through the UI service.
#include <gtest/gtest.h>

#include <QScrollBar>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>

#include "dataset/data_source.h"
#include "dataset/dataset_test_util.h"
#include "host/automation/scripted_ui_service.h"
#include "host/automation/synthetic_input.h"
#include "host/widgets/accessibility.h"
#include "host/widgets/list_picker.h"

using namespace confcred;
using namespace confcred::host;
using namespace confcred::host::widgets;
using namespace confcred::host::automation;
using dataset::FieldType;

namespace {

void sendText(QWidget* target, const QString& text) {
    for (const QChar c : text)
        automation::sendKey(target, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

class PickerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        set.loadPacket(dataset::testing::makePacket({{"CDCLIENTE", FieldType::String, 21},
                                                     {"NRINSJURCLIE", FieldType::String, 18},
                                                     {"NMRAZSOCCLIE", FieldType::String, 50}},
                                                    {{"001", "11222333000181", "Mercado Azul"},
                                                     {"O'B", "12345678901", "O'Brien Ltda"},
                                                     {"003", "", "Padaria Maria"},
                                                     {"004", "99", "marcenaria Sul"}}));
        set.fieldByName("CDCLIENTE").setVisible(false);
        set.fieldByName("NRINSJURCLIE").setDisplayLabel("Nr. Inscrição");
        set.fieldByName("NMRAZSOCCLIE").setDisplayLabel("Nome");
        set.fieldByName("NRINSJURCLIE")
            .setOnGetText([](const dataset::Field& f, std::string& text, bool) {
                text = f.asString().empty() ? "-" : "#" + f.asString();
            });
    }

    core::PickRequest request(const QString& selection = {}) {
        core::PickRequest r;
        r.source = &source;
        r.keyField = "CDCLIENTE";
        r.title = "Cliente";
        r.selection = selection;
        return r;
    }

    dataset::RecordSet set{"cdsPesqCliente"};
    dataset::DataSource source{&set};
};

TEST_F(PickerTest, ShowsTheVisibleFieldsWithLabelsAndDisplayTexts) {
    widgets::ListPickerDialog picker(request());
    EXPECT_EQ(picker.windowTitle(), "Cliente");
    EXPECT_EQ(picker.columnTitles(), QStringList({"Nr. Inscrição", "Nome"}));
    ASSERT_EQ(picker.rowCount(), 4);
    EXPECT_EQ(picker.textAt(0, 0), "#11222333000181");
    EXPECT_EQ(picker.textAt(2, 0), "-");
    EXPECT_EQ(picker.keyAt(1), "O'B");
    EXPECT_EQ(picker.markedCount(), 0);
    // The record set's cursor is not moved by the picker.
    EXPECT_EQ(set.recNo(), 1u);
}

struct PremarkRow {
    const char* name;
    const char* given;
    std::vector<int> marked;
};

class PickerPremark : public PickerTest, public ::testing::WithParamInterface<PremarkRow> {};

TEST_P(PickerPremark, MarksTheKeysOfTheSelectionGiven) {
    widgets::ListPickerDialog picker(request(QString::fromUtf8(GetParam().given)));
    std::vector<int> marked;
    for (int r = 0; r < picker.rowCount(); ++r) {
        if (picker.isMarked(r))
            marked.push_back(r);
    }
    EXPECT_EQ(marked, GetParam().marked);
}

INSTANTIATE_TEST_SUITE_P(Rows, PickerPremark,
                         ::testing::Values(PremarkRow{"empty", "", {}},
                                           PremarkRow{"all_marker", "T", {}},
                                           PremarkRow{"quoted_key", "'O''B','004'", {1, 3}},
                                           PremarkRow{"unknown_key_ignored", "'999','001'", {0}},
                                           PremarkRow{"malformed", "'001", {}}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(PickerTest, OkGivesTheMarkedKeysInTheSetsOrder) {
    widgets::ListPickerDialog picker(request("'004'"));
    picker.setMarked(1, true);
    picker.accept();
    const core::PickResult result = picker.pickResult();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.selection, "'O''B','004'");
}

TEST_F(PickerTest, MarkAllAndClearAllThroughTheirButtons) {
    widgets::ListPickerDialog picker(request("'001'"));
    picker.findChild<QPushButton*>("btnMarcarTodos")->click();
    EXPECT_EQ(picker.markedCount(), 4);
    picker.accept();
    EXPECT_EQ(picker.pickResult().selection, "'001','O''B','003','004'");

    widgets::ListPickerDialog cleared(request("'001'"));
    cleared.findChild<QPushButton*>("btnDesmarcarTodos")->click();
    EXPECT_EQ(cleared.markedCount(), 0);
    // OK with nothing marked is no choice: false, the selection as it was.
    cleared.findChild<QPushButton*>("btnOK")->click();
    EXPECT_EQ(cleared.result(), QDialog::Accepted);
    EXPECT_FALSE(cleared.pickResult().ok);
    EXPECT_EQ(cleared.pickResult().selection, "'001'");
}

TEST_F(PickerTest, CancelLeavesTheSelectionAsItWas) {
    widgets::ListPickerDialog picker(request("'003'"));
    picker.markAll();
    picker.reject();
    EXPECT_FALSE(picker.pickResult().ok);
    EXPECT_EQ(picker.pickResult().selection, "'003'");
}

// The list starts on the registration column; a name is found all the same,
// and every control of the picker has a name a screen reader can say.
TEST_F(PickerTest, SearchLooksInEveryShownColumnAndControlsAreNamed) {
    widgets::ListPickerDialog picker(request());
    picker.show();
    ASSERT_EQ(picker.view()->currentIndex().column(), 1);
    sendText(picker.searchBox(), "Padaria");
    EXPECT_EQ(picker.currentRow(), 2);
    EXPECT_EQ(picker.view()->currentIndex().column(), 2);
    picker.searchBox()->clear();
    EXPECT_EQ(picker.search("#99"), 3);  // the registration column still counts
    EXPECT_EQ(picker.search("sul"), 3);  // contained, case ignored
    // Narrow, the list still shows the tick column of the row found.
    picker.view()->setColumnWidth(2, 600);
    picker.resize(160, picker.height());
    QApplication::processEvents();
    EXPECT_EQ(picker.search("sul"), 3);
    EXPECT_EQ(picker.view()->horizontalScrollBar()->value(), 0);

    const std::vector<widgets::AccessibleControl> controls = widgets::accessibleControls(&picker);
    QStringList names;
    for (const widgets::AccessibleControl& c : controls) {
        EXPECT_FALSE(c.name.isEmpty()) << c.objectName.toStdString();
        names << c.objectName + "=" + c.name;
    }
    EXPECT_TRUE(names.contains("edtLocalizar=Localizar")) << names.join(", ").toStdString();
    EXPECT_TRUE(names.contains("dbgLista=Cliente")) << names.join(", ").toStdString();
}

TEST_F(PickerTest, SearchMovesToTheFirstMatchAsTyped) {
    widgets::ListPickerDialog picker(request());
    picker.show();
    // Columns: 0 registration, 1 name; search in the name column.
    picker.view()->setCurrentIndex(picker.view()->model()->index(0, 2));
    sendText(picker.searchBox(), "ma");
    EXPECT_EQ(picker.currentRow(), 3);  // "marcenaria Sul": prefix, case ignored
    sendText(picker.searchBox(), "r");
    EXPECT_EQ(picker.currentRow(), 3);
    picker.searchBox()->clear();
    EXPECT_EQ(picker.search("Maria"), 2);  // no prefix: contained
    EXPECT_EQ(picker.search("zzz"), -1);
    EXPECT_EQ(picker.currentRow(), 2);

    // Space marks the current row once the list has the focus.
    picker.view()->setFocus();
    automation::sendKey(picker.view(), Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_TRUE(picker.isMarked(2));
    picker.reject();
}

TEST_F(PickerTest, PesquisaListaWritesTheSelectionOnlyOnOk) {
    automation::ScriptedUiService scripted;
    automation::ScopedUi scope(scripted);
    QString selection = "T";
    scripted.queuePick("'001','003'");
    EXPECT_TRUE(widgets::PesquisaLista(&source, "CDCLIENTE", "Cliente", false, selection));
    EXPECT_EQ(selection, "'001','003'");
    scripted.queuePickCancel();
    EXPECT_FALSE(widgets::PesquisaLista(&source, "CDCLIENTE", "Cliente", false, selection));
    EXPECT_EQ(selection, "'001','003'");
    ASSERT_EQ(scripted.requests().size(), 2u);
    EXPECT_TRUE(scripted.requests()[0].detail.contains("Cliente"));
}

TEST_F(PickerTest, NothingToPickFromIsNoChoice) {
    core::PickRequest r = request("'001'");
    r.source = nullptr;
    EXPECT_FALSE(widgets::runListPicker(r).ok);
    set.close();
    r.source = &source;
    const core::PickResult closed = widgets::runListPicker(r);
    EXPECT_FALSE(closed.ok);
    EXPECT_EQ(closed.selection, "'001'");
}

TEST_F(PickerTest, UnknownKeyFieldIsAClearError) {
    core::PickRequest r = request();
    r.keyField = "CHAVE";
    EXPECT_THROW(widgets::ListPickerDialog picker(r), dataset::DataSetError);
}

}  // namespace
