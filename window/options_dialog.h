#pragma once
// The options that have no control in the window's fixed design: every row of the option
// table with a label, in the table's order, each with the line that says what it does. A
// flag is a check box, a choice a drop-down list, a number a spin box, text an edit field.
// The dialog works on a copy of the options: the caller takes Values() after it was
// accepted, so a cancelled dialog changes nothing.

#include <QDialog>

#include <span>
#include <vector>

#include "option_table.h"

class QCheckBox;
class QWidget;

namespace brevine {

class OptionsDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit OptionsDialog(const Options& options, QWidget* parent = nullptr,
                         std::span<const OptionRow> rows = OptionTable());

  // Once accepted, `base` with each shown row's value as its control has it; before that
  // and after a cancel, `base` as it is. A caller whose options moved on while the dialog
  // was open passes their present state, so only the dialog's own options change.
  Options Values(Options base) const;
  Options Values() const { return Values(options_); }

  // The control of a shown key, else null (controls are also named by their key); Box is
  // the check box of a flag.
  QWidget* Control(const char* key) const;
  QCheckBox* Box(const char* key) const;
  std::vector<const char*> ShownKeys() const;

 private:
  struct Row {
    const OptionRow* option;
    QWidget* control;
  };
  Options options_;
  std::vector<Row> rows_;
};

}  // namespace brevine
