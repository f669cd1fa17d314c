#include "xls/error.h"

#include <cctype>

namespace xls {

std::string_view describeErrorCode(ErrorCode code) {
    switch (code) {
        case ErrorCode::FileNotFound:
            return "the file does not exist";
        case ErrorCode::FileUnreadable:
            return "the file cannot be read";
        case ErrorCode::FileNotWritable:
            return "the file or its folder is read-only, so the workbook cannot be saved";
        case ErrorCode::WriteFailed:
            return "the workbook could not be saved (the disk may be full); the file is unchanged";
        case ErrorCode::EmptyFile:
            return "the file is empty";
        case ErrorCode::FileLocked:
            return "another program is changing the file; nothing was saved, try again when it "
                   "has finished";
        case ErrorCode::FileChangedSinceOpened:
            return "the file was changed by another program since it was opened; nothing was "
                   "saved, so open it again and redo the change";
        case ErrorCode::FileOpenElsewhere:
            return "the file is open in another program, so it cannot be saved; close it there "
                   "first";
        case ErrorCode::ZipBasedWorkbook:
            return "it is a zip-based workbook (.xlsx or .ods) under an .xls name, not an "
                   "Excel 97-2003 workbook";
        case ErrorCode::WebPage:
            return "it is a web page saved under an .xls name, not an Excel 97-2003 workbook";
        case ErrorCode::XmlSpreadsheet:
            return "it is an XML spreadsheet saved under an .xls name, not an Excel 97-2003 "
                   "workbook";
        case ErrorCode::PlainText:
            return "it is a plain text file, not an Excel 97-2003 workbook";
        case ErrorCode::OldExcelFormat:
            return "it is an Excel 2.x-4.x workbook, which Tarnvale does not read; save it in a "
                   "newer format first";
        case ErrorCode::NotCompoundFile:
            return "it is not an Excel workbook";
        case ErrorCode::CorruptContainer:
            return "the file is damaged (its container is corrupt)";
        case ErrorCode::TruncatedContainer:
            return "the file is damaged (it is truncated)";
        case ErrorCode::NoWorkbookStream:
            return "the file holds no workbook (it may be another kind of Office document)";
        case ErrorCode::PasswordProtected:
            return "the workbook is password-protected";
        case ErrorCode::UnsupportedEncryption:
            return "the workbook is encrypted in a way Tarnvale does not support";
        case ErrorCode::CorruptWorkbook:
            return "the workbook is damaged";
        case ErrorCode::UnsupportedVersion:
            return "this operation is not supported for workbooks in this Excel version";
        case ErrorCode::SheetNotFound:
            return "the workbook has no sheet of that name";
        case ErrorCode::SheetNameEmpty:
            return "a sheet name cannot be empty";
        case ErrorCode::SheetNameTooLong:
            return "a sheet name cannot be longer than 31 characters";
        case ErrorCode::SheetNameBadCharacter:
            return "a sheet name cannot contain any of these characters: : \\ / ? * [ ]";
        case ErrorCode::SheetNameApostrophe:
            return "a sheet name cannot begin or end with an apostrophe";
        case ErrorCode::SheetNameTaken:
            return "another sheet already has that name";
        case ErrorCode::SheetNameReserved:
            return "\"History\" is a name the spreadsheet application reserves";
        case ErrorCode::StructureProtected:
            return "the workbook's structure is protected, so its sheets cannot be changed";
        case ErrorCode::LastVisibleSheet:
            return "a workbook must keep at least one visible sheet";
        case ErrorCode::UnsupportedOperation:
            return "this operation is not supported for this workbook";
        case ErrorCode::CopyUnsupported:
            return "the sheet holds something that cannot be copied yet";
        case ErrorCode::TooManyFormats:
            return "the copy would give the workbook more formats or fonts than it can hold";
    }
    return "unknown error";
}

namespace {

// The reason as the user reads it. A few codes carry a context meant for the
// user: which program has the file open, and who; what a copy cannot carry;
// which operation is not supported.
std::string userReason(ErrorCode code, const std::string& context) {
    if (code == ErrorCode::FileOpenElsewhere && !context.empty())
        return "the file is open in " + context + ", so it cannot be saved; close it there first";
    if ((code == ErrorCode::CopyUnsupported || code == ErrorCode::UnsupportedOperation) &&
        !context.empty())
        return std::string(describeErrorCode(code)) + " (" + context + ")";
    return std::string(describeErrorCode(code));
}

std::string compose(ErrorCode code, const std::string& file, const std::string& context) {
    std::string text;
    if (!file.empty()) text = "\"" + file + "\": ";
    text += userReason(code, context);
    text += '.';
    if (file.empty() && !text.empty()) text[0] = static_cast<char>(std::toupper(text[0]));
    return text;
}

}  // namespace

Error::Error(ErrorCode code, std::string file, std::string context)
    : std::runtime_error(compose(code, file, context)),
      code_(code),
      file_(std::move(file)),
      context_(std::move(context)) {}

std::string Error::reason() const {
    return userReason(code_, context_);
}

Error Error::withFile(std::string file) const {
    return Error(code_, std::move(file), context_);
}

void fail(ErrorCode code, std::string context) {
    throw Error(code, {}, std::move(context));
}

}  // namespace xls
