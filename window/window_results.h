#pragma once
// What a batch did, file by file, in the window's language: the rows of the results list,
// the summary the drop hint shows, and the reasons of the files not written. The core
// reports a failure as a kind and an untranslated detail; the kind is translated here, and
// the detail, a library's or the system's own words, is passed on as it is.

#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline.h"

namespace brevine {

// One file of the batch.
struct ResultRow {
  QString source;  // as dropped (or found in a dropped folder)
  QString result;  // the file written; empty when none was
  int width = 0;   // the result's pixels
  int height = 0;
  std::int64_t before = -1;  // the source's bytes; -1 when it could not be read
  std::int64_t after = 0;    // the result's bytes
  QString note;              // why nothing was written, or notes on the result
  bool skipped = false;      // its result was there already: neither written nor failed
  bool Written() const { return !result.isEmpty(); }
};

class BatchResults {
  Q_DECLARE_TR_FUNCTIONS(brevine::BatchResults)

 public:
  void Clear() { rows_.clear(); }
  void Add(ResultRow row) { rows_.push_back(std::move(row)); }
  const std::vector<ResultRow>& Rows() const { return rows_; }
  bool Empty() const { return rows_.empty(); }

  int Written() const;
  int Skipped() const;
  int NotReduced() const { return static_cast<int>(rows_.size()) - Written() - Skipped(); }
  // Bytes of the written files' sources, and of the files written.
  std::int64_t BytesBefore() const;
  std::int64_t BytesAfter() const;

  // "14 photos: 23.6 MB → 2.2 MB (−91%)", then " · 2 not reduced" when some were not and
  // " · 3 skipped" when some results were there already; empty when the batch reached no
  // file.
  QString Summary(const QLocale& locale = QLocale()) const;
  // The list as text, one file a line, fields separated by tabs, with a heading line.
  QString AsText(const QLocale& locale = QLocale()) const;

  // What became of a file that was not simply written, translated: the kind, then the
  // detail. `folder`: the path is a folder, which stands for its pictures only while whole
  // folders are on.
  static QString Reason(FileResult result, const std::string& detail, bool folder = false);
  // The library's or the system's words (a detail or a warning), with the few that have a
  // translation translated.
  static QString Detail(const std::string& detail);
  // "1920 × 1080"
  static QString Pixels(int width, int height);
  // Bytes in the locale's units (one decimal, powers of 1000: "23.6 MB").
  static QString Size(std::int64_t bytes, const QLocale& locale = QLocale());

 private:
  std::vector<ResultRow> rows_;
};

}  // namespace brevine
