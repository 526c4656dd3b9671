#pragma once
// The results of the last batch, one row per file: the source, the result's path, its
// pixels, the bytes before and after, or the reason it was not written. "Open folder"
// shows the selected results (all of them when none is selected) in the file manager;
// "Copy" puts the list on the clipboard as text. The dialog follows the desktop's theme.

#include <QDialog>

#include <functional>

#include "window_results.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace brevine {

class ResultsDialog final : public QDialog {
  Q_OBJECT

 public:
  // `showItems` receives the paths "Open folder" shows.
  ResultsDialog(const BatchResults& results, std::function<void(const QStringList&)> showItems,
                QWidget* parent = nullptr);

  QTreeWidget* List() const { return list_; }
  QPushButton* OpenFolderButton() const { return openFolder_; }
  QPushButton* CopyButton() const { return copy_; }
  QLabel* Explanation() const { return explanation_; }
  // The paths "Open folder" shows now: each selected row's result, or its source when it
  // has none; every result when no row is selected.
  QStringList ChosenPaths() const;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void OpenFolder();
  void Copy();
  void ColourExplanation();

  const BatchResults results_;
  std::function<void(const QStringList&)> showItems_;
  QTreeWidget* list_ = nullptr;
  QLabel* explanation_ = nullptr;
  QPushButton* openFolder_ = nullptr;
  QPushButton* copy_ = nullptr;
};

}  // namespace brevine
