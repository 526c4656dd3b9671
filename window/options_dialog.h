#pragma once
// The options that have no control in the window's fixed design, one check box each with a
// line that says what it does. The dialog works on a copy of the options: the caller takes
// Values() after it was accepted, so a cancelled dialog changes nothing.

#include <QDialog>

#include <span>
#include <vector>

#include "process_settings.h"

class QCheckBox;

namespace brevine {

// One entry of the dialog: a flag key of OptionKeys(), its label and its explanation
// (UTF-8). An entry whose key is not a flag of the table is not shown, so the list may
// name options that a build does not have; those shown follow the table's order.
struct ExtraOption {
  const char* key;
  const char* label;
  const char* explanation;
};

// The dialog's entries, in the order the settings file stores their keys.
std::span<const ExtraOption> ExtraOptions();

class OptionsDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit OptionsDialog(const Options& options, QWidget* parent = nullptr,
                         std::span<const ExtraOption> entries = ExtraOptions());

  // Once accepted, `base` with each shown entry's flag as its check box stands; before
  // that and after a cancel, `base` as it is. A caller whose options moved on while the
  // dialog was open passes their present state, so only the dialog's own flags change.
  Options Values(Options base) const;
  Options Values() const { return Values(options_); }

  // The check box of a shown key, else null (the check boxes are also named by their key).
  QCheckBox* Box(const char* key) const;
  std::vector<const char*> ShownKeys() const;

 private:
  struct Row {
    const char* key;
    bool Options::*field;
    QCheckBox* box;
  };
  Options options_;
  std::vector<Row> rows_;
};

}  // namespace brevine
