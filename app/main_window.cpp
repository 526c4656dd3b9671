#include "main_window.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdint>

#include "brevine_version.h"
#include "drop.h"
#include "file_system.h"
#include "shell_open.h"
#include "window_preview.h"

// Resources compiled into a static library are registered by hand, outside any namespace.
static void InitWindowResources() { Q_INIT_RESOURCE(window_resources); }

namespace brevine {

namespace {

const QString kPercentPrefix = QString::fromUtf8("百分比为:");
const QColor kHatchColour(0x71, 0xB3, 0x3C);
constexpr int kPreviewWidth = 200;
constexpr int kPreviewHeight = 150;

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
std::string S(const QString& text) { return text.toStdString(); }

// A progress bar whose empty part shows a brush of its own (the hatch), drawn here rather
// than by the style, which would ignore a patterned brush.
class HatchedProgressBar final : public QProgressBar {
 public:
  using QProgressBar::QProgressBar;
  void SetBackgroundBrush(const QBrush& brush) {
    background_ = brush;
    update();
  }
  const QBrush& BackgroundBrush() const { return background_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect all = rect();
    painter.fillRect(all, palette().base());
    if (background_.style() != Qt::NoBrush) painter.fillRect(all, background_);
    const std::int64_t span = std::int64_t{maximum()} - minimum();
    if (span > 0) {
      const std::int64_t done =
          std::clamp<std::int64_t>(std::int64_t{value()} - minimum(), 0, span);
      const int width = static_cast<int>(done * (all.width() - 2) / span);
      painter.fillRect(QRect(1, 1, width, all.height() - 2), palette().highlight());
    }
    qDrawShadePanel(&painter, all, palette(), true, 1);
  }

 private:
  QBrush background_;
};

// Replaces the field's text by the rule's answer only when it differs, so the change
// notification that the replacement causes settles at once.
void SettleText(QLineEdit* edit, std::string (*rule)(const std::string&)) {
  const std::string text = S(edit->text());
  const std::string settled = rule(text);
  if (settled != text) edit->setText(Q(settled));
}

template <typename W>
W* Make(QWidget* parent, const char* name, int left, int top, int width, int height) {
  W* widget = new W(parent);
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

template <typename W>
W* MakeWithText(QWidget* parent, const char* name, const char* text, int left, int top, int width,
                int height) {
  W* widget = Make<W>(parent, name, left, top, width, height);
  widget->setText(Q(text));
  return widget;
}

}  // namespace

QFont WindowFont() {
  const QStringList installed = QFontDatabase::families();
  QString family;
  for (const char* wanted : {"ＭＳ Ｐゴシック", "MS PGothic"}) {
    if (installed.contains(Q(wanted))) {
      family = Q(wanted);
      break;
    }
  }
  if (family.isEmpty()) {
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const char* preferred :
         {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback"}) {
      if (chinese.contains(Q(preferred))) {
        family = Q(preferred);
        break;
      }
    }
    if (family.isEmpty() && !chinese.isEmpty()) family = chinese.front();
  }
  QFont font;
  if (!family.isEmpty()) font.setFamilies({family});
  font.setPixelSize(12);
  return font;
}

TForm1::TForm1(std::string settingsPath, const platform::Clock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint),
      settingsPath_(std::move(settingsPath)),
      clock_(clock) {
  InitWindowResources();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(Q("Brevine 照片批量压缩"));
  setWindowIcon(QIcon(QStringLiteral(":/brevine/brevine.png")));
  setFixedSize(480, 313);
  setFont(WindowFont());
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  setPalette(white);
  setAutoFillBackground(true);
  BuildControls();

  PipelineHooks hooks;
  hooks.preview = [this](const WorkBitmap& bitmap) { ShowPreview(bitmap); };
  hooks.previewDone = [this] { HidePreview(); };
  pipeline_ = std::make_unique<FilePipeline>(*this, clock_, std::move(hooks));
}

TForm1::~TForm1() = default;

void TForm1::BuildControls() {
  // Picture-like controls first: Qt stacks later siblings above earlier ones, and these
  // lie beneath every control that takes input.
  Image2 = Make<QLabel>(this, "Image2", 0, 0, 480, 313);
  Image2->setPixmap(QPixmap(QStringLiteral(":/brevine/background.png")));

  Shape1 = Make<QFrame>(this, "Shape1", 264, 48, 201, 97);
  Shape1->setFrameShape(QFrame::NoFrame);
  Shape1->setAutoFillBackground(true);
  Bevel1 = Make<QFrame>(this, "Bevel1", 264, 45, 201, 100);
  Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Bevel1->setLineWidth(1);

  Label4 = MakeWithText<QLabel>(this, "Label4", "转换后...", 280, 40, 42, 12);
  Label5 = MakeWithText<QLabel>(this, "Label5", "添加字符", 300, 78, 48, 12);
  Label5->setToolTip(Q("它将保存在与原始图像相同的文件夹中"));
  Label6 = MakeWithText<QLabel>(this, "Label6", "文件夹名称", 304, 117, 60, 12);
  Label7 = MakeWithText<QLabel>(this, "Label7", (std::string("版本") + kVersion).c_str(), 200, 24,
                                59, 16);
  {
    QPalette green = Label7->palette();
    green.setColor(QPalette::WindowText, QColor(0x00, 0x80, 0x00));
    Label7->setPalette(green);
  }
  Label2 = MakeWithText<QLabel>(this, "Label2", "马上拖入图片并开始自动压缩", 288, 207, 156, 12);
  Label3 = MakeWithText<QLabel>(this, "Label3", " ", 296, 232, 3, 12);
  // Designed sizes fit the designed font; a fallback font may be a little wider.
  for (QLabel* label : {Label4, Label5, Label6, Label7, Label2, Label3}) label->adjustSize();

  Image1 = Make<QLabel>(this, "Image1", 265, 144, kPreviewWidth, kPreviewHeight);
  Image1->setScaledContents(true);
  Image1->setToolTip(Q("您可以拖放多个Jpeg/bmp文件"));

  RadioGroup1 = Make<QGroupBox>(this, "RadioGroup1", 16, 40, 241, 105);
  RadioGroup1->setTitle(Q("在指定范围内调整像素大小"));
  RadioGroup1->setToolTip(Q("请选择合适的分辨率"));
  radioGroupButtons_ = new QButtonGroup(this);
  const char* items[] = {
      "1280 x 1280", "1024 x 1024", "800 x 800", "640 x 640",
      "400 x 400",   "320 x 320",   "160 x 160", "\u3000\u3000\u3000\u3000\u3000x"};
  // Two columns filled top to bottom, four rows under the caption, so the eighth item
  // lies under the custom width and height fields.
  for (int i = 0; i < 8; ++i) {
    const int left = 8 + (i / 4) * 115;
    const int top = 13 + (i % 4) * 22;
    QRadioButton* item = new QRadioButton(Q(items[i]), RadioGroup1);
    item->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
    item->setGeometry(left, top, 115, 22);
    item->setCursor(Qt::PointingHandCursor);
    radioGroupButtons_->addButton(item, i);
    RadioGroup1Items.push_back(item);
  }
  RadioGroup1Items[0]->setChecked(true);
  {
    // The five ideographic spaces must carry the "x" into the gap between the two custom
    // fields; with a fallback font they are wider than designed, so close them up.
    QRadioButton* custom = RadioGroup1Items[7];
    const QFontMetricsF metrics(custom->font());
    const qreal spaces = metrics.horizontalAdvance(QString(5, QChar(0x3000)));
    const qreal wanted = 44.0;
    if (spaces > wanted) {
      QFont narrower = custom->font();
      narrower.setLetterSpacing(QFont::AbsoluteSpacing, (wanted - spaces) / 5.0);
      custom->setFont(narrower);
    }
  }

  EditPxX = MakeWithText<QLineEdit>(this, "EditPxX", "300", 156, 120, 41, 20);
  EditPxY = MakeWithText<QLineEdit>(this, "EditPxY", "300", 212, 120, 41, 20);

  GroupBox1 = Make<QGroupBox>(this, "GroupBox1", 16, 144, 241, 161);
  GroupBox1->setTitle(Q("选项"));
  CheckBox1 = MakeWithText<QCheckBox>(GroupBox1, "CheckBox1", "图像锐化", 16, 14, 193, 17);
  CheckBox1->setToolTip(Q("建议在缩略图和图像模糊时使用"));
  // Narrower than designed so the sharpen box does not lie over the track bar.
  CheckBox1->resize(126, 17);
  TrackBar1 = Make<QSlider>(GroupBox1, "TrackBar1", 144, 12, 94, 33);
  TrackBar1->setOrientation(Qt::Horizontal);
  TrackBar1->setRange(0, 150);
  TrackBar1->setValue(50);
  TrackBar1->setTickInterval(10);
  TrackBar1->setPageStep(10);
  TrackBar1->setTickPosition(QSlider::TicksBelow);
  CheckBox2 = MakeWithText<QCheckBox>(GroupBox1, "CheckBox2", "高饱和度", 16, 34, 129, 17);
  CheckBox2->setToolTip(Q("使图像画面更加鲜艳"));
  CheckBox3 = MakeWithText<QCheckBox>(GroupBox1, "CheckBox3", "单色保存", 16, 54, 121, 17);
  CheckBox3->setToolTip(Q("建议做缩略图的时候使用"));
  CheckBox4 = MakeWithText<QCheckBox>(GroupBox1, "CheckBox4", "逐行保存", 16, 74, 161, 17);
  CheckBox4->setToolTip(Q("建议在Web的时候使用"));
  CheckHtml = MakeWithText<QCheckBox>(GroupBox1, "CheckHtml", "简易Html输出", 16, 94, 97, 17);
  CheckHtml->setToolTip(Q("支持创建缩略图"));
  RadioButton1 =
      MakeWithText<QRadioButton>(GroupBox1, "RadioButton1", "指定JPEG压缩率(%)", 16, 112, 217, 17);
  RadioButton1->setToolTip(Q("数值越大画质越低"));
  RadioButton1->setChecked(true);
  Edit2 = MakeWithText<QLineEdit>(GroupBox1, "Edit2", "92", 152, 112, 33, 20);
  RadioButton2 =
      MakeWithText<QRadioButton>(GroupBox1, "RadioButton2", "指定文件大小KByte", 16, 136, 201, 17);
  RadioButton2->setToolTip(Q("您可以指定您要保存的文件的大小！压缩率将自动为您调整."));
  Edit3 = MakeWithText<QLineEdit>(GroupBox1, "Edit3", "50", 152, 136, 33, 20);
  // The radio buttons reach under their edit fields as designed; only the part left of
  // the field takes clicks.
  RadioButton1->resize(134, 17);
  RadioButton2->resize(134, 17);

  RadioButton3 = MakeWithText<QRadioButton>(this, "RadioButton3", "在文件名", 280, 56, 89, 17);
  RadioButton3->setToolTip(Q("它将保存在与原始图像相同的文件夹中"));
  RadioButton3->resize(78, 17);
  ComboBox1 = Make<QComboBox>(this, "ComboBox1", 360, 53, 88, 20);
  ComboBox1->addItem(Q("前面"));
  ComboBox1->addItem(Q("后面"));
  ComboBox1->setEditable(false);
  Edit4 = MakeWithText<QLineEdit>(this, "Edit4", "s-", 360, 73, 90, 20);
  RadioButton4 = MakeWithText<QRadioButton>(this, "RadioButton4", "自动创建文件夹并压缩图像", 280,
                                            96, 177, 17);
  RadioButton4->setToolTip(Q("自动生成在原始图像所在的文件夹中"));
  RadioButton4->setChecked(true);
  // Explicit groups: Qt's automatic exclusivity would also take in the radio buttons of
  // GroupBox1, which are descendants of the window too.
  for (auto pair : {std::pair{RadioButton1, RadioButton2}, std::pair{RadioButton3, RadioButton4}}) {
    auto* group = new QButtonGroup(this);
    group->addButton(pair.first);
    group->addButton(pair.second);
  }
  Edit5 = MakeWithText<QLineEdit>(this, "Edit5", "Resize", 368, 112, 89, 20);

  auto* progress = Make<HatchedProgressBar>(this, "ProgressBar1", 264, 288, 201, 17);
  progress->setRange(0, 100);
  progress->setValue(0);
  progress->setTextVisible(false);
  ProgressBar1 = progress;

  BitBtn2 = MakeWithText<QPushButton>(this, "BitBtn2", "帮助", 328, 8, 65, 33);
  BitBtn2->setToolTip(Q("打开帮助文件"));
  BitBtn1 = MakeWithText<QPushButton>(this, "BitBtn1", "退出", 400, 8, 65, 33);
  BitBtn1->setToolTip(Q("退出软件"));
  for (QPushButton* button : {BitBtn1, BitBtn2}) button->setFocusPolicy(Qt::NoFocus);

  for (QWidget* w : std::initializer_list<QWidget*>{
           CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckHtml, RadioButton1, RadioButton2,
           RadioButton3, RadioButton4, ComboBox1, BitBtn1, BitBtn2})
    w->setCursor(Qt::PointingHandCursor);

  // Tab order: the preset group, the custom box, the options group in its own order, then
  // the naming area.
  const std::initializer_list<QWidget*> order = {RadioGroup1Items[0],
                                                 EditPxX,
                                                 EditPxY,
                                                 CheckBox1,
                                                 TrackBar1,
                                                 CheckBox2,
                                                 CheckBox3,
                                                 CheckBox4,
                                                 CheckHtml,
                                                 RadioButton1,
                                                 Edit2,
                                                 RadioButton2,
                                                 Edit3,
                                                 RadioButton3,
                                                 ComboBox1,
                                                 Edit4,
                                                 RadioButton4,
                                                 Edit5};
  QWidget* previous = nullptr;
  for (QWidget* w : order) {
    if (previous != nullptr) QWidget::setTabOrder(previous, w);
    previous = w;
  }
  ProgressBar1->setFocusPolicy(Qt::NoFocus);

  // Captions sit in the frame's top line, as the designed positions assume: the first
  // control of a group starts 14 pixels down, which in the style's own layout lies on
  // the frame.
  const QString groupStyle = QStringLiteral(
      "QGroupBox { border: 1px solid #b4b4b4; border-radius: 2px; margin-top: 6px; }"
      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
      " left: 7px; padding: 0 2px; }");
  RadioGroup1->setStyleSheet(groupStyle);
  GroupBox1->setStyleSheet(groupStyle);

  connect(Edit2, &QLineEdit::textChanged, this, &TForm1::Edit2Change);
  connect(Edit3, &QLineEdit::textChanged, this, &TForm1::Edit3Change);
  connect(EditPxX, &QLineEdit::textChanged, this, &TForm1::EditPxXChange);
  connect(EditPxY, &QLineEdit::textChanged, this, &TForm1::EditPxYChange);
  connect(TrackBar1, &QSlider::valueChanged, this, &TForm1::TrackBar1Change);
  connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
}

// ---- Handlers -----------------------------------------------------------------------

void TForm1::Edit2Change() { SettleText(Edit2, NormaliseQualityText); }
void TForm1::Edit3Change() { SettleText(Edit3, NormaliseTargetSizeText); }
void TForm1::EditPxXChange() { SettleText(EditPxX, NormaliseBoxText); }
void TForm1::EditPxYChange() { SettleText(EditPxY, NormaliseBoxText); }

void TForm1::TrackBar1Change() { TrackBar1->setToolTip(Q(StrengthToolTip(TrackBar1->value()))); }

void TForm1::BitBtn1Click() { close(); }

void TForm1::BitBtn2Click() {
  std::string help = S(QDir::current().absoluteFilePath(QStringLiteral("help/help.html")));
  // The launchers start the program in the folder holding help/; an installed program
  // started from anywhere else still finds the help under its prefix.
  if (!platform::FileExists(help)) {
    const std::string program = platform::ExecutablePath();
    if (IsInstalledProgram(program))
      help = program.substr(0, program.rfind('/')) + "/../share/brevine/help/help.html";
  }
  platform::OpenWithAssociatedProgram(help);
}

// ---- ProcessSettings ----------------------------------------------------------------

int TForm1::RadioGroupIndex() const { return radioGroupButtons_->checkedId(); }

void TForm1::SetRadioGroupIndex(int index) {
  index = ClampBoxPreset(index);
  if (index >= 0) {
    RadioGroup1Items[index]->setChecked(true);
    return;
  }
  // An exclusive group never unchecks its last button by itself.
  radioGroupButtons_->setExclusive(false);
  for (QRadioButton* item : RadioGroup1Items) item->setChecked(false);
  radioGroupButtons_->setExclusive(true);
}

int TForm1::BoxPreset() const { return RadioGroupIndex(); }
std::string TForm1::BoxWidthText() const { return S(EditPxX->text()); }
std::string TForm1::BoxHeightText() const { return S(EditPxY->text()); }
bool TForm1::Saturation() const { return CheckBox2->isChecked(); }
bool TForm1::Sharpen() const { return CheckBox1->isChecked(); }
int TForm1::SharpenStrength() const { return TrackBar1->value(); }
bool TForm1::Grayscale() const { return CheckBox3->isChecked(); }
bool TForm1::Progressive() const { return CheckBox4->isChecked(); }
bool TForm1::Html() const { return CheckHtml->isChecked(); }
bool TForm1::FixedQuality() const { return RadioButton1->isChecked(); }
std::string TForm1::QualityText() const { return S(Edit2->text()); }
std::string TForm1::TargetSizeText() const { return S(Edit3->text()); }
bool TForm1::SubFolderMode() const { return RadioButton4->isChecked(); }
int TForm1::TextPosition() const { return ComboBox1->currentIndex(); }
std::string TForm1::AddedText() const { return S(Edit4->text()); }
void TForm1::SetAddedText(const std::string& text) { Edit4->setText(Q(text)); }
std::string TForm1::FolderName() const { return S(Edit5->text()); }
void TForm1::SetFolderName(const std::string& text) { Edit5->setText(Q(text)); }
bool TForm1::AutoRotate() const { return autoRotate_; }
bool TForm1::Folders() const { return folders_; }
bool TForm1::KeepInfo() const { return keepInfo_; }

Options TForm1::CurrentOptions() const { return Snapshot(*this); }

void TForm1::ApplyOptions(const Options& o) {
  SetRadioGroupIndex(o.boxPreset);
  EditPxX->setText(Q(o.boxWidth));
  EditPxY->setText(Q(o.boxHeight));
  CheckBox1->setChecked(o.sharpen);
  TrackBar1->setValue(ClampSharpenStrength(o.sharpenStrength));
  CheckBox2->setChecked(o.saturation);
  CheckBox3->setChecked(o.grayscale);
  CheckBox4->setChecked(o.progressive);
  CheckHtml->setChecked(o.html);
  // Each radio pair: the second button first, then the first from the stored value, so a
  // stored false leaves the second one selected (a checked exclusive button ignores
  // being unchecked).
  RadioButton2->setChecked(true);
  RadioButton1->setChecked(o.fixedQuality);
  Edit2->setText(Q(o.quality));
  Edit3->setText(Q(o.targetSize));
  RadioButton3->setChecked(true);
  RadioButton4->setChecked(o.subFolder);
  ComboBox1->setCurrentIndex(CheckTextPosition(o.textPosition));
  Edit4->setText(Q(o.addedText));
  Edit5->setText(Q(o.folderName));
  autoRotate_ = o.autoRotate;
  folders_ = o.folders;
  keepInfo_ = o.keepInfo;
}

// ---- First show and close -----------------------------------------------------------

void TForm1::showEvent(QShowEvent* event) {
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
  QWidget::showEvent(event);
}

void TForm1::FormShow() {
  bitmap_ = std::make_unique<WorkBitmap>();
  static_cast<HatchedProgressBar*>(ProgressBar1)
      ->SetBackgroundBrush(QBrush(kHatchColour, Qt::DiagCrossPattern));
  ApplyOptions(ReadSettingsFile(settingsPath_));
  setAcceptDrops(true);
  if (QScreen* where = screen()) move(where->availableGeometry().center() - rect().center());
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (batchActive_) {
    // The file in work finishes first; the batch then closes the window itself.
    closeRequested_ = true;
    event->ignore();
    return;
  }
  if (shown_ && !closed_) FormClose();
  event->accept();
}

void TForm1::FormClose() {
  closed_ = true;
  bitmap_.reset();
  setAcceptDrops(false);
  WriteSettingsFile(settingsPath_, CurrentOptions());
}

// ---- Drops and the batch ------------------------------------------------------------

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  std::string uriList = data->data(QStringLiteral("text/uri-list")).toStdString();
  if (uriList.empty()) {
    for (const QUrl& url : data->urls()) uriList += url.toEncoded().toStdString() + "\r\n";
  }
  event->acceptProposedAction();
  // Only the list is taken here; the batch runs after this handler has returned, so the
  // file manager is not held for the whole batch.
  DropFiles(platform::LocalPathsFromUriList(uriList));
}

void TForm1::DropFiles(const std::vector<std::string>& paths) {
  if (paths.empty() || closed_ || !bitmap_) return;
  if (batchActive_) {
    batch_.insert(batch_.end(), paths.begin(), paths.end());
    ProgressBar1->setMaximum(static_cast<int>(std::min<std::size_t>(batch_.size(), INT32_MAX)));
    return;
  }
  batch_ = paths;
  batchActive_ = true;
  QTimer::singleShot(0, this, &TForm1::RunBatch);
}

void TForm1::RunBatch() {
  ProgressBar1->setMinimum(0);
  ProgressBar1->setMaximum(static_cast<int>(std::min<std::size_t>(batch_.size(), INT32_MAX)));
  // Indexing, not iterators: drops during a file's event handling append to batch_.
  for (std::size_t i = 0; i < batch_.size() && !closeRequested_ && bitmap_; ++i) {
    ProgressBar1->setValue(static_cast<int>(std::min<std::size_t>(i, INT32_MAX)));
    const std::string path = batch_[i];
    pipeline_->ProcessFile(path, *bitmap_);
    emit FileProcessed(static_cast<int>(i), Q(path));
  }
  ProgressBar1->setValue(0);
  batch_.clear();
  batchActive_ = false;
  if (closeRequested_) {
    closeRequested_ = false;
    close();
  }
  emit BatchFinished();
}

void TForm1::ShowPreview(const WorkBitmap& bitmap) {
  Image1->setPixmap(QPixmap::fromImage(PreviewImage(bitmap, kPreviewWidth, kPreviewHeight)));
  Image1->show();
  QCoreApplication::processEvents();
}

void TForm1::HidePreview() { Image1->hide(); }

}  // namespace brevine
