#pragma once
// The one window, TForm1: the options of its design as controls, the preview, the
// batch progress and the drop target. The layout lives in main_window.ui; this class holds
// the behaviour. A dropped batch runs on the batch runner's threads; each file's options
// are read from the controls, on the window's thread, when that file starts.

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "batch_runner.h"
#include "pipeline.h"
#include "process_settings.h"
#include "settings_file.h"
#include "ui_main_window.h"
#include "window_results.h"

class QMimeData;

namespace brevine {

class Notifier;
class OptionsDialog;
class ResultsDialog;
class WindowBatch;

// What the window asks of the desktop beyond its own controls. The window fills each with
// the desktop's own service; tests put their own in place.
struct WindowDesktop {
  // Ctrl+O: the photos the person chose in a file dialog opened in `folder` (none: an
  // empty list).
  std::function<QStringList(QWidget* parent, const QString& folder)> choosePhotos;
  // "Open folder": shows these files (or folders) in the file manager.
  std::function<void(const QStringList& paths)> showItems;
  // A desktop notification with one action.
  std::function<void(const QString& title, const QString& body, const QString& actionText,
                     std::function<void()> action)>
      notify;
  // A batch that took longer than this and ends while the window is not the active one is
  // told in a notification.
  int notifyAfterMs = 5000;
};

// The file dialog of Ctrl+O: several files, filtered to every format the loader reads.
QStringList ChoosePhotosInDialog(QWidget* parent, const QString& folder);
// The local paths a clipboard or drop carries: its text/uri-list, else a file manager's
// copied files (x-special/gnome-copied-files).
std::vector<std::string> LocalPathsOf(const QMimeData& data);

// The window's texts need a CJK font: the designed family where installed, else the
// first installed font that covers Simplified Chinese.
QFont WindowFont();

// The window holds its form: the controls, named as the window's design names them, are the
// members of `ui`.
class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // `settingsPath` is where the options are restored from on first show and stored on
  // close; `clock` serves the output stage (the HTML file's date).
  TForm1(std::string settingsPath, const platform::Clock& clock, QWidget* parent = nullptr);
  ~TForm1() override;

  // The options as they stand: the controls' state, and the options no control carries as
  // the dialog last set them. ApplyOptions restores them through the controls' own setters
  // (so their rules and change handlers apply).
  Options CurrentOptions() const;
  void ApplyOptions(const Options& options);

  // Paths dropped on the window (also the entry for simulated drops): starts a batch, or
  // appends to the running one. Nothing is processed before the caller returns to the
  // event loop.
  void DropFiles(const std::vector<std::string>& paths);
  bool BatchRunning() const { return state_ == State::kBatch || state_ == State::kBatchClosing; }
  // The results of the last batch, kept until the next one starts. SetResults shows
  // `results` as a batch's end does: its summary in the drop hint, its rows in the list.
  const BatchResults& Results() const { return results_; }
  void SetResults(BatchResults results);
  WindowDesktop& Desktop() { return desktop_; }
  // Files worked on at once in the next batch; 0 (the default) chooses as the command
  // line does.
  void SetJobs(int jobs) { jobs_ = jobs; }
  // The decode workers that read the sources of every batch (null: the batches read them
  // themselves); they outlive the window.
  void SetDecodeWorkers(DecodeWorkerPool* workers) { workers_ = workers; }
  // The language whose translation the application loaded (empty: the written texts); the
  // help button opens that language's page where there is one.
  void SetLanguage(const QString& code) { language_ = code; }
  const QString& Language() const { return language_; }
  // Where the options are restored from and stored, and the presets kept.
  const std::string& SettingsPath() const { return settingsPath_; }

  // The controls of the window's design.
  Ui::Form1 ui;
  // RadioGroup1's items in order; the index is the box preset.
  std::vector<QRadioButton*> RadioGroup1Items;

 public slots:
  void Edit2Change();
  void Edit3Change();
  void EditPxXChange();
  void EditPxYChange();
  void TrackBar1Change();
  void BitBtn1Click();
  void BitBtn2Click();
  // Esc: the files of the batch not yet started are dropped; those in work finish.
  void CancelBatch();
  // The dialog of the options that have no control here (the options button and the
  // window's right-click menu offer it). Its choice applies to the files started after it
  // was accepted.
  void ShowMoreOptions();
  // The results list of the last batch (clicking the summary, Enter on it, or the menu).
  void ShowResults();
  // Ctrl+O: photos chosen in a file dialog start a batch as a drop does.
  void AddPhotos();
  // Ctrl+V: files copied in a file manager start a batch as a drop does.
  void PastePhotos();
  // The window's menu at the focused control (Shift+F10, the menu key).
  void ShowMenuFromKeyboard();

 signals:
  // A file of the batch starts, its options just read from the controls.
  void FileStarted(int index, const QString& path);
  // After each file's commit, in drop order, with its index.
  void FileProcessed(int index, const QString& path);
  void BatchFinished();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The window's life: created, shown (options restored, drops accepted), in a batch, in
  // a batch that a close request ends, closed (options stored). Only these five exist.
  enum class State { kCreated, kIdle, kBatch, kBatchClosing, kClosed };

  void FinishControls();
  void NameControls();
  void AddShortcuts();
  void ShowDropHint();
  void ShowSummary();
  void ShowFormat(const std::string& format);
  void FormatChosen(int index);
  void NotifyIfAway(qint64 elapsedMs);
  void FormShow();
  void FormClose();
  int RadioGroupIndex() const;
  void SetRadioGroupIndex(int index);
  // With `walk`, the folders among the paths are walked on the batch's thread first.
  void StartBatch(const std::vector<std::string>& paths, std::optional<Options> walk);
  void FileStartedInBatch(std::size_t index, const std::string& path);
  void FileCommitted(std::size_t index, const std::string& path, const CommittedFile& file,
                     const std::string& replaced);
  void SettleNaming(const Options& before, const Options& after);
  void BatchEnded();

  std::string settingsPath_;
  const platform::Clock& clock_;
  // Every option; those a control carries are read from the control instead.
  Options held_;
  State state_ = State::kCreated;
  int jobs_ = 0;
  DecodeWorkerPool* workers_ = nullptr;
  QString language_;
  std::unique_ptr<WindowBatch> batch_;
  QPointer<OptionsDialog> moreOptions_;
  QPointer<ResultsDialog> resultsDialog_;
  WindowDesktop desktop_;
  Notifier* notifier_ = nullptr;
  QElapsedTimer batchClock_;
  std::size_t batchDone_ = 0;  // files of the batch reported so far: the bar's value
  QString photoFolder_;  // where Ctrl+O's dialog opens: the pictures folder, then the last one
  std::vector<std::string> laterDrops_;  // dropped after the batch's end was decided
  QString dropHint_;                     // Label2's designed text
  QRect dropHintPlace_;                  // and its place
  BatchResults results_;                 // the last batch, file by file
  QString unconfined_;                   // the workers could not be confined: why
};

}  // namespace brevine
