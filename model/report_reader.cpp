#include "model/report_reader.h"

#include <deque>
#include <memory>

#include "model/report_parser.h"
#include "model/report_text.h"
#include "platform/text.h"

namespace model {
namespace {

constexpr std::size_t kMaxProblemsNamed = 20;

bool IsBanner(std::u16string_view line) {
  const std::size_t first = line.find_first_not_of(u" \t");
  if (first == std::u16string_view::npos || line[first] != u'*') return false;
  const std::u16string normalized = NormalizeBlanks(line);
  if (normalized.size() < 10) return false;
  for (char16_t c : normalized) {
    if (c != u'*') return false;
  }
  return true;
}

// A report starts with its banner followed by the "Vexa Halvorn" line.
// Looks past empty lines only, so that the whole file is looked at about once.
bool StartsReport(const TextLine& line, LineReader following) {
  if (!IsBanner(line.text)) return false;
  TextLine next;
  while (following.Next(&next)) {
    const std::u16string text = NormalizeBlanks(next.text);
    if (!text.empty()) return text.rfind(u"Vexa Halvorn", 0) == 0;
  }
  return false;
}

std::string Excerpt(std::u16string_view line) {
  std::string text = text::ToUtf8(line.substr(0, 60));
  return line.size() > 60 ? text + "..." : text;
}

class FileReader {
 public:
  ReportFile Read(std::string_view bytes);

 private:
  void Problem(int line, const std::string& what);
  void FinishReport();

  ReportFile out_;
  std::unique_ptr<ReportParser> parser_;
  int parserFirstLine_ = 0;
  std::deque<MachineFacts> kept_;
  std::size_t problemsNotNamed_ = 0;
};

void FileReader::Problem(int line, const std::string& what) {
  if (!out_.firstUnreadableLine && line > 0) out_.firstUnreadableLine = line;
  if (out_.problems.size() < kMaxProblemsNamed) {
    out_.problems.push_back(line > 0 ? "line " + std::to_string(line) + ": " + what : what);
  } else {
    ++problemsNotNamed_;
  }
}

void FileReader::FinishReport() {
  if (!parser_) return;
  bool whole = false;
  kept_.push_back(parser_->Finish(&whole));
  parser_.reset();
  if (!whole) {
    Problem(0, "the report that starts on line " + std::to_string(parserFirstLine_) +
                   " ends before its last section does: it was cut short");
  }
  if (kept_.size() > static_cast<std::size_t>(kMaxReportsKept)) kept_.pop_front();
}

ReportFile FileReader::Read(std::string_view bytes) {
  if (bytes.size() > kMaxReportFileBytes) {
    Problem(0, "the file is larger than a report file can be (" + std::to_string(kMaxReportFileBytes >> 20) +
                   " MiB); nothing was read");
    return std::move(out_);
  }
  const std::u16string text = DecodeReportText(bytes);
  LineReader lines(text);
  TextLine line;
  while (lines.Next(&line)) {
    if (StartsReport(line, lines)) {
      FinishReport();
      parser_ = std::make_unique<ReportParser>(++out_.reportsFound, line.number);
      parserFirstLine_ = line.number;
    }
    std::string why;
    if (!parser_) {
      if (!NormalizeBlanks(line.text).empty()) Problem(line.number, "not part of a report: " + Excerpt(line.text));
      continue;
    }
    if (!parser_->Take(line, &why)) Problem(line.number, why + ": " + Excerpt(line.text));
  }
  FinishReport();
  if (out_.reportsFound == 0)
    Problem(0, "no report found (a report starts with a line of asterisks and \"Vexa Halvorn\")");
  if (out_.reportsFound > kMaxReportsKept) {
    Problem(0, "only the newest " + std::to_string(kMaxReportsKept) + " of " + std::to_string(out_.reportsFound) +
                   " reports were kept");
  }
  if (problemsNotNamed_ > 0) out_.problems.push_back("and " + std::to_string(problemsNotNamed_) + " more");
  for (MachineFacts& facts : kept_) {
    facts.report->count = out_.reportsFound;
    out_.reports.push_back(std::move(facts));
  }
  return std::move(out_);
}

}  // namespace

ReportFile ReadReports(std::string_view bytes) { return FileReader().Read(bytes); }

}  // namespace model
