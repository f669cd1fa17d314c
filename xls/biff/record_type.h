// Record identifiers of the workbook stream ([MS-XLS] 2.3), named as [MS-XLS]
// names the records. The enum's underlying type holds any id, so records the
// engine does not know pass through as their plain number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xls::biff {

enum class RecordType : std::uint16_t {
    // Substream structure
    BOF = 0x0809,
    EOF_ = 0x000A,  // EOF is a macro in <cstdio>
    Continue = 0x003C,

    // Workbook globals
    FilePass = 0x002F,
    UsrExcl = 0x0194,
    FileLock = 0x0195,
    InterfaceHdr = 0x00E1,
    InterfaceEnd = 0x00E2,
    RRDInfo = 0x0196,
    RRDHead = 0x0138,
    WriteProtect = 0x0086,
    WriteAccess = 0x005C,
    FileSharing = 0x005B,
    CodePage = 0x0042,
    Mms = 0x00C1,
    Excel9File = 0x01C0,
    RRTabId = 0x013D,
    ObProj = 0x00D3,
    CodeName = 0x01BA,
    BuiltInFnGroupCount = 0x009C,
    WinProtect = 0x0019,
    Protect = 0x0012,
    Password = 0x0013,
    Prot4Rev = 0x01AF,
    Prot4RevPass = 0x01BC,
    Window1 = 0x003D,
    Backup = 0x0040,
    HideObj = 0x008D,
    Date1904 = 0x0022,
    CalcPrecision = 0x000E,
    RefreshAll = 0x01B7,
    BookBool = 0x00DA,
    Font = 0x0031,
    Format = 0x041E,
    XF = 0x00E0,
    XFCRC = 0x087C,
    XFExt = 0x087D,
    DXF = 0x088D,
    TableStyles = 0x088E,
    Style = 0x0293,
    StyleExt = 0x0892,
    Palette = 0x0092,
    UsesELFs = 0x0160,
    BoundSheet8 = 0x0085,
    Country = 0x008C,
    ExternCount = 0x0016,
    SupBook = 0x01AE,
    ExternName = 0x0023,
    ExternSheet = 0x0017,
    XCT = 0x0059,
    CRN = 0x005A,
    Lbl = 0x0018,
    DConRef = 0x0051,   // a PivotTable's source range
    DConName = 0x0052,  // a PivotTable's source name
    MsoDrawingGroup = 0x00EB,
    SST = 0x00FC,
    ExtSST = 0x00FF,
    BookExt = 0x0863,
    Theme = 0x0896,
    DSF = 0x0161,
    Compat12 = 0x088C,

    // Sheet substreams
    Index = 0x020B,
    DBCell = 0x00D7,
    CalcMode = 0x000D,
    CalcCount = 0x000C,
    CalcRefMode = 0x000F,
    CalcIter = 0x0011,
    CalcDelta = 0x0010,
    CalcSaveRecalc = 0x005F,
    PrintRowCol = 0x002A,
    PrintGrid = 0x002B,
    GridSet = 0x0082,
    Guts = 0x0080,
    DefaultRowHeight = 0x0225,
    WsBool = 0x0081,
    Header = 0x0014,
    Footer = 0x0015,
    HCenter = 0x0083,
    VCenter = 0x0084,
    LeftMargin = 0x0026,
    RightMargin = 0x0027,
    TopMargin = 0x0028,
    BottomMargin = 0x0029,
    Setup = 0x00A1,
    DefColWidth = 0x0055,
    ColInfo = 0x007D,
    Dimensions = 0x0200,
    Row = 0x0208,
    Blank = 0x0201,
    Number = 0x0203,
    Label = 0x0204,
    BoolErr = 0x0205,
    String = 0x0207,
    RK = 0x027E,
    MulRk = 0x00BD,
    MulBlank = 0x00BE,
    RString = 0x00D6,
    LabelSst = 0x00FD,
    Formula = 0x0006,
    ShrFmla = 0x04BC,
    Array = 0x0221,
    Table = 0x0236,
    Window2 = 0x023E,
    Pane = 0x0041,
    Selection = 0x001D,
    Scl = 0x00A0,
    PLV = 0x088B,
    MergeCells = 0x00E5,
    MsoDrawing = 0x00EC,
    MsoDrawingSelection = 0x00ED,
    Obj = 0x005D,
    TxO = 0x01B6,
    Note = 0x001C,
    HLink = 0x01B8,
    HLinkTooltip = 0x0800,
    DVal = 0x01B2,
    DV = 0x01BE,
    CondFmt = 0x01B0,
    CF = 0x01B1,
    CondFmt12 = 0x0879,
    CF12 = 0x087A,
    CFEx = 0x087B,
    AutoFilterInfo = 0x009D,
    AutoFilter = 0x009E,
    SheetExt = 0x0862,
    ScenarioProtect = 0x00DD,
    ObjProtect = 0x0063,
    HorizontalPageBreaks = 0x001B,
    VerticalPageBreaks = 0x001A,
    SxView = 0x00B0,
    FeatHdr = 0x0867,
    Feat = 0x0868,

    // Chart substreams
    Chart = 0x1002,
    Series = 0x1003,
    BRAI = 0x1051,
    FontX = 0x1026,
    IFmtRecord = 0x104E,
    ChartFrtInfo = 0x0850,

    // Sheet substreams, continued
    HFPicture = 0x0866,
    Qsi = 0x01AD,
    Feat11 = 0x0872,
    List12 = 0x0877,
    Feat12 = 0x0878,

    // Workbook globals, continued: what follows the shared strings
    WebPub = 0x0801,
    WOpt = 0x080B,
    CrErr = 0x0865,
    DConn = 0x0876,
    GUIDTypeLib = 0x0897,
    CompressPictures = 0x089B,
    // Table styles and the colour extensions that follow the Palette
    TableStyle = 0x088F,
    TableStyleElement = 0x0890,
    ClrtClient = 0x105C,
};

// [MS-XLS] name of a record id ("BoundSheet8"), or "" when the engine does not know it.
std::string_view recordTypeName(std::uint16_t id);

// A readable label for messages and dumps: the name, or the id in hex ("0x1234").
std::string describeRecordType(std::uint16_t id);

inline std::uint16_t toU16(RecordType type) {
    return static_cast<std::uint16_t>(type);
}

}  // namespace xls::biff
