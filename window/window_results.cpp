#include "window_results.h"

#include <QRegularExpression>

#include <cmath>
#include <cstdlib>

namespace brevine {

int BatchResults::Written() const {
  int n = 0;
  for (const ResultRow& row : rows_) n += row.Written();
  return n;
}

int BatchResults::Skipped() const {
  int n = 0;
  for (const ResultRow& row : rows_) n += row.skipped;
  return n;
}

std::int64_t BatchResults::BytesBefore() const {
  std::int64_t total = 0;
  for (const ResultRow& row : rows_)
    if (row.Written() && row.before > 0) total += row.before;
  return total;
}

std::int64_t BatchResults::BytesAfter() const {
  std::int64_t total = 0;
  for (const ResultRow& row : rows_)
    if (row.Written()) total += row.after;
  return total;
}

QString BatchResults::Size(std::int64_t bytes, const QLocale& locale) {
  return locale.formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString BatchResults::Pixels(int width, int height) {
  return QStringLiteral("%1 × %2").arg(width).arg(height);
}

QString BatchResults::Summary(const QLocale& locale) const {
  if (rows_.empty()) return {};
  const int written = Written();
  const int failed = NotReduced();
  const int skipped = Skipped();
  QString text;
  if (written > 0) {
    const std::int64_t before = BytesBefore();
    const std::int64_t after = BytesAfter();
    QString change;
    if (before > 0) {
      const long percent =
          std::lround(100.0 * static_cast<double>(before - after) / static_cast<double>(before));
      // A true minus sign: the figure is a saving, not a hyphenated word.
      const QString sign = percent > 0   ? QString(QChar(0x2212))
                           : percent < 0 ? QStringLiteral("+")
                                         : QString();
      change =
          sign + locale.toString(static_cast<qlonglong>(std::labs(percent))) + QLatin1Char('%');
    }
    //: The batch's summary in the drop hint: photos written, their sources' size, the
    //: results' size and the saving ("−91%").
    text = tr("%n 张照片：%1 → %2（%3）", nullptr, written)
               .arg(Size(before, locale), Size(after, locale), change);
    //: Appended to the summary: the files of the batch that were not written.
    if (failed > 0) text += tr(" · %n 个未压缩", nullptr, failed);
  } else if (failed > 0) {
    text = tr("%n 个文件未压缩", nullptr, failed);
  }
  //: Appended to the summary: the files whose results were there already (skip-existing).
  if (skipped > 0) {
    const QString part = tr("%n 个已跳过", nullptr, skipped);
    text = text.isEmpty() ? part : text + QStringLiteral(" · ") + part;
  }
  return text;
}

QString BatchResults::AsText(const QLocale& locale) const {
  QStringList lines;
  lines << QStringList{tr("原图"), tr("结果"), tr("像素"), tr("原大小"), tr("新大小"), tr("说明")}
               .join(QLatin1Char('\t'));
  for (const ResultRow& row : rows_) {
    QStringList fields{row.source, row.result};
    fields << (row.Written() ? Pixels(row.width, row.height) : QString());
    fields << (row.before >= 0 ? locale.toString(static_cast<qlonglong>(row.before)) : QString());
    fields << (row.Written() ? locale.toString(static_cast<qlonglong>(row.after)) : QString());
    fields << row.note;
    lines << fields.join(QLatin1Char('\t'));
  }
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString BatchResults::Detail(const std::string& detail) {
  QString text = QString::fromStdString(detail);
  // libjpeg's errors come as the message number after the seed's Chinese wording.
  static const QRegularExpression jpegError(QStringLiteral("^JPEG错误#(\\d+)$"));
  if (const auto match = jpegError.match(text); match.hasMatch())
    return tr("JPEG错误#%1").arg(match.captured(1));
  // The reader's note on a JPEG that ends early.
  static const QRegularExpression endsEarly(
      QStringLiteral("^ends early: the last (\\d+) rows are grey$"));
  if (const auto match = endsEarly.match(text); match.hasMatch())
    return tr("数据提前结束：最后 %1 行为灰色").arg(match.captured(1));
  // The system's words for the commonest reasons a result cannot be written.
  const struct {
    const char* system;
    const char* said;
  } known[] = {
      {"Read-only file system", QT_TR_NOOP("文件夹是只读的")},
      {"Permission denied", QT_TR_NOOP("没有写入权限")},
      {"No space left on device", QT_TR_NOOP("磁盘已满")},
  };
  for (const auto& k : known) {
    const QString system = QString::fromLatin1(k.system);
    if (text.contains(system)) text.replace(system, tr(k.said));
  }
  return text;
}

QString BatchResults::Reason(FileResult result, const std::string& detail, bool folder) {
  //: A folder dropped while whole folders are off; the name in quotes is the dialog's check
  //: box "处理整个文件夹".
  if (folder) return tr("这是文件夹：请在选项中打开“处理整个文件夹”");
  QString kind;
  switch (result) {
    case FileResult::kNotAnImage:
      kind = tr("不是图片类型");
      break;
    case FileResult::kCannotRead:
      kind = tr("无法读取");
      break;
    case FileResult::kCannotDecode:
      kind = tr("无法解码");
      break;
    case FileResult::kCannotProcess:
      kind = tr("无法处理");
      break;
    case FileResult::kCannotWrite:
      kind = tr("无法写入");
      break;
    case FileResult::kNotFound:
      kind = tr("找不到文件");
      break;
    case FileResult::kTooLarge:
      kind = tr("图片太大");
      break;
    case FileResult::kIndexNotWritten:
      kind = tr("已保存，但未写入 HTML 索引");
      break;
    case FileResult::kKept:
      kind = tr("保留原图：压缩后的文件并不更小");
      break;
    case FileResult::kSkipped:
      kind = tr("已跳过：结果已存在");
      break;
    case FileResult::kWritten:
      return {};
  }
  if (detail.empty()) return kind;
  //: A failure's kind, then the library's or the system's own words.
  return tr("%1：%2").arg(kind, Detail(detail));
}

}  // namespace brevine
