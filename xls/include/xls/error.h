// The one error type of the workbook engine. Every failure the engine can meet
// ends up here, with a code tests can assert and a sentence a user can read.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace xls {

// Codes grouped by the layer that raises them. The user's text for each code
// sits beside it in error.cpp (describeErrorCode).
enum class ErrorCode {
    // io: the file as a whole
    FileNotFound,            // no file at the path
    FileUnreadable,          // it exists but cannot be read (permissions, a folder, I/O error)
    FileNotWritable,         // the file or its folder is read-only
    WriteFailed,             // writing, flushing or renaming the new file failed (disk full, ...)
    EmptyFile,               // zero bytes
    FileLocked,              // another program kept the workbook locked for editing past the wait
    FileChangedSinceOpened,  // another program changed or replaced the file since it was read
    FileOpenElsewhere,       // another program has it open (the context says which, and who)

    // Not a binary workbook at all: say what it is instead.
    ZipBasedWorkbook,  // .xlsx / .ods / other zip renamed to .xls
    WebPage,           // HTML saved under an .xls name
    XmlSpreadsheet,    // SpreadsheetML 2003 or other XML
    PlainText,         // CSV, SYLK, tab-separated text
    OldExcelFormat,    // Excel 2.x-4.x single-stream workbook (BIFF2-4)
    NotCompoundFile,   // anything else that is not a compound file

    // cfb: the compound-file container
    CorruptContainer,    // bad header, bad sector number, cyclic chain, bad directory
    TruncatedContainer,  // a sector or stream lies beyond the end of the file

    // biff / model: the workbook stream
    NoWorkbookStream,   // a compound file without a Workbook/Book stream (e.g. a Word document)
    PasswordProtected,  // encrypted with a password we do not have
    UnsupportedEncryption,
    CorruptWorkbook,     // truncated record, bad BOF, sheet offset not at a BOF, ...
    UnsupportedVersion,  // a BIFF version the engine cannot handle for this operation

    // ops: operations on sheets
    SheetNotFound,
    SheetNameEmpty,
    SheetNameTooLong,
    SheetNameBadCharacter,
    SheetNameApostrophe,
    SheetNameTaken,
    SheetNameReserved,  // "History"
    StructureProtected,
    LastVisibleSheet,
    UnsupportedOperation,  // an operation this workbook or backend cannot do
    CopyUnsupported,       // the sheet holds something a copy cannot carry (named in the context)
    TooManyFormats,        // a copy would push the format tables past what the format allows
};

// A sentence describing the code, without the file name ("the file is password-protected").
std::string_view describeErrorCode(ErrorCode code);

class Error : public std::runtime_error {
  public:
    // file: the path or display name of the workbook ("" when none applies).
    // context: where in the file (stream, record, offset, sector), for diagnostics.
    Error(ErrorCode code, std::string file, std::string context = {});

    ErrorCode code() const noexcept { return code_; }
    const std::string& file() const noexcept { return file_; }
    const std::string& context() const noexcept { return context_; }
    // The user's sentence without the file name: the code's description, with
    // the context where it speaks to the user (who has the file open).
    std::string reason() const;

    // A copy naming another file: lower layers raise without knowing the path.
    Error withFile(std::string file) const;

  private:
    ErrorCode code_;
    std::string file_;
    std::string context_;
};

// Raise an Error with no file yet; callers that know the file add it with withFile().
[[noreturn]] void fail(ErrorCode code, std::string context = {});

}  // namespace xls
