// The bilingual message table and the process-wide language selector.
#pragma once

#include <cstdint>
#include <string>

namespace dm {

constexpr uint32_t kMessageCount = 324;

enum Language : uint8_t { Chinese = 0, English = 1 };

// 1 selects English; any other value Chinese.
void setLanguage(uint8_t language);
uint8_t currentLanguage();

// Text of entry `number` in the current language; empty past the table.
std::string messageText(uint32_t number);
const char* messageRaw(uint32_t number);

// A text the table does not hold, given in both languages as UTF-8: the one of
// the current language, in the system code page.
std::string textIn(const char* chinese, const char* english);

// Numbers of the texts that the engine and its callers compose with.
namespace msg {
constexpr uint32_t DirectoryNotExist = 13;
constexpr uint32_t CannotStartComparing = 14;
constexpr uint32_t TooManyEntries = 16;
constexpr uint32_t CountLacked = 17;
constexpr uint32_t CountDifferent = 18;
constexpr uint32_t CountRedundant = 19;
constexpr uint32_t StateBeforeCompare = 35;
constexpr uint32_t StateComparing = 36;
constexpr uint32_t StateFinished = 37;
constexpr uint32_t StateTooManyFiles = 38;
constexpr uint32_t StateCompareError = 39;
constexpr uint32_t StateSameFolders = 40;
constexpr uint32_t StateUnknown = 41;
constexpr uint32_t RuleSize = 50;
constexpr uint32_t RuleNoSize = 51;
constexpr uint32_t RuleTime = 52;
constexpr uint32_t RuleNoTime = 53;
constexpr uint32_t RuleVersion = 54;
constexpr uint32_t RuleNoVersion = 55;
constexpr uint32_t RuleSubFolders = 56;
constexpr uint32_t RuleNoSubFolders = 57;
constexpr uint32_t RulesHeading = 58;
constexpr uint32_t ProgressScanning = 96;
constexpr uint32_t StoredNoVersion = 101;
constexpr uint32_t ProgressComparing = 102;
constexpr uint32_t FolderPrefix = 106;
constexpr uint32_t DetailFileName = 118;
constexpr uint32_t DetailFileSize = 119;
constexpr uint32_t DetailFileVersion = 120;
constexpr uint32_t DetailModified = 121;
constexpr uint32_t DetailFilesInA = 122;
constexpr uint32_t DetailZero = 123;
constexpr uint32_t NotPresent = 124;
constexpr uint32_t DetailFilesInB = 125;
constexpr uint32_t InfoWriteFolder = 126;
constexpr uint32_t InfoWriteFile = 127;
constexpr uint32_t InfoWriteBegin = 128;
constexpr uint32_t InfoWriteEnd = 129;
constexpr uint32_t InfoBegin = 131;
constexpr uint32_t InfoEnd = 132;
constexpr uint32_t InfoFolder = 133;
constexpr uint32_t SelectDirectory = 169;
constexpr uint32_t ResultHeader = 170;
constexpr uint32_t NoResultToSync = 172;
constexpr uint32_t ExportDone1 = 175;
constexpr uint32_t ExportDone2 = 176;
constexpr uint32_t ExportDone3 = 177;
constexpr uint32_t ExportFailed = 178;
constexpr uint32_t FileNotExist = 179;
constexpr uint32_t ProductName = 180;
constexpr uint32_t FileVersionLabel = 244;
constexpr uint32_t NoVersion = 245;
constexpr uint32_t UserAbort = 267;
constexpr uint32_t ListingError = 268;
constexpr uint32_t OpenForWrite = 269;
constexpr uint32_t OpenForRead = 270;
constexpr uint32_t ErrorLine = 271;
constexpr uint32_t InfoReadError = 272;
constexpr uint32_t SyncConfirm = 311;
constexpr uint32_t SyncConfirmCaption = 312;
constexpr uint32_t ReportFolderA = 313;
constexpr uint32_t ReportFolderB = 314;
constexpr uint32_t ReportNotIdentical = 315;
constexpr uint32_t ReportIdentical = 316;
constexpr uint32_t ReportCountsHeading = 317;
constexpr uint32_t ReportLacked = 318;
constexpr uint32_t ReportDifferent = 319;
constexpr uint32_t ReportRedundant = 320;
constexpr uint32_t ReportIncluded = 321;
constexpr uint32_t ReportExcluded = 322;
constexpr uint32_t DetailsButton = 323;
}  // namespace msg

}  // namespace dm
