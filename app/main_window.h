#pragma once
// The one window, TForm1: every option of ProcessSettings as a control, the preview, the
// batch progress and the drop target. The layout lives in main_window.ui; this class holds
// the behaviour. Processing reads the options from the controls at the moment each step
// asks; there is no separate copy of them.

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "pipeline.h"
#include "process_settings.h"
#include "settings_file.h"
#include "ui_main_window.h"
#include "work_bitmap.h"

namespace brevine {

// The window's texts need a CJK font: the designed family where installed, else the
// first installed font that covers Simplified Chinese.
QFont WindowFont();

// The controls, named as the window's design names them, are the members of Ui::Form1.
class TForm1 : public QWidget, public ProcessSettings, public Ui::Form1 {
  Q_OBJECT

 public:
  // `settingsPath` is where the options are restored from on first show and stored on
  // close; `clock` serves the output stage (the HTML file's date).
  TForm1(std::string settingsPath, const platform::Clock& clock, QWidget* parent = nullptr);
  ~TForm1() override;

  // ProcessSettings, answered from the controls.
  int BoxPreset() const override;
  std::string BoxWidthText() const override;
  std::string BoxHeightText() const override;
  bool Saturation() const override;
  bool Sharpen() const override;
  int SharpenStrength() const override;
  bool Grayscale() const override;
  bool Progressive() const override;
  bool Html() const override;
  bool FixedQuality() const override;
  std::string QualityText() const override;
  std::string TargetSizeText() const override;
  bool SubFolderMode() const override;
  int TextPosition() const override;
  std::string AddedText() const override;
  void SetAddedText(const std::string& text) override;
  std::string FolderName() const override;
  void SetFolderName(const std::string& text) override;
  bool AutoRotate() const override;

  // The controls' state as the settings file stores it, and the restore through the
  // controls' own setters (so their rules and change handlers apply).
  Options CurrentOptions() const;
  void ApplyOptions(const Options& options);

  // Paths dropped on the window (also the entry for simulated drops): starts a batch
  // right after the caller returns, or appends to the running one.
  void DropFiles(const std::vector<std::string>& paths);
  bool BatchRunning() const { return state_ == State::kBatch || state_ == State::kBatchClosing; }

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

 signals:
  // After each file of a batch, with its index (tests follow the batch through it).
  void FileProcessed(int index, const QString& path);
  void BatchFinished();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The window's life: created, shown (options restored, drops accepted), in a batch, in
  // a batch that a close request ends, closed (options stored). Only these five exist.
  enum class State { kCreated, kIdle, kBatch, kBatchClosing, kClosed };

  void FinishControls();
  void FormShow();
  void FormClose();
  void RunBatch();
  int RadioGroupIndex() const;
  void SetRadioGroupIndex(int index);
  void ShowPreview(const WorkBitmap& bitmap);
  void HidePreview();

  std::string settingsPath_;
  const platform::Clock& clock_;
  std::unique_ptr<WorkBitmap> bitmap_;
  std::unique_ptr<FilePipeline> pipeline_;
  bool autoRotate_ = true;  // no control of its own: restored and stored as it was
  State state_ = State::kCreated;
  std::vector<std::string> batch_;
};

}  // namespace brevine
