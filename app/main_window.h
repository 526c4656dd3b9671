#pragma once
// The one window, TForm1: every option of ProcessSettings as a control, the preview, the
// batch progress and the drop target. Processing reads the options from the controls at
// the moment each step asks; there is no separate copy of them.

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "pipeline.h"
#include "process_settings.h"
#include "settings_file.h"
#include "work_bitmap.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;

namespace brevine {

// The window's texts need a CJK font: the designed family where installed, else the
// first installed font that covers Simplified Chinese.
QFont WindowFont();

class TForm1 : public QWidget, public ProcessSettings {
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
  bool Folders() const override;
  bool KeepInfo() const override;

  // The controls' state as the settings file stores it, and the restore through the
  // controls' own setters (so their rules and change handlers apply).
  Options CurrentOptions() const;
  void ApplyOptions(const Options& options);

  // Paths dropped on the window (also the entry for simulated drops): starts a batch
  // right after the caller returns, or appends to the running one.
  void DropFiles(const std::vector<std::string>& paths);
  bool BatchRunning() const { return batchActive_; }

  // Controls, named as the window's design names them.
  QLabel* Image2 = nullptr;
  QGroupBox* RadioGroup1 = nullptr;
  std::vector<QRadioButton*> RadioGroup1Items;
  QLineEdit* EditPxX = nullptr;
  QLineEdit* EditPxY = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QSlider* TrackBar1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QCheckBox* CheckBox4 = nullptr;
  QCheckBox* CheckHtml = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QFrame* Shape1 = nullptr;
  QFrame* Bevel1 = nullptr;
  QLabel* Label4 = nullptr;
  QRadioButton* RadioButton3 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLabel* Label5 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QRadioButton* RadioButton4 = nullptr;
  QLabel* Label6 = nullptr;
  QLineEdit* Edit5 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Image1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QPushButton* BitBtn1 = nullptr;

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
  void BuildControls();
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
  QButtonGroup* radioGroupButtons_ = nullptr;
  bool autoRotate_ = true;  // no control of its own: restored and stored as it was
  bool folders_ = false;    // likewise
  bool keepInfo_ = false;   // likewise
  bool shown_ = false;
  bool closed_ = false;

  std::vector<std::string> batch_;
  bool batchActive_ = false;
  bool closeRequested_ = false;
};

}  // namespace brevine
