// The program's own names and user-visible texts, kept in one place.
#pragma once

namespace lantern::texts {

inline constexpr char kProductName[] = "Lantern";
// The built-in application title, used when the album names none.
inline constexpr char kApplicationTitle[] = "Lantern 电子相册";

// Start-up, installing and removing the screen saver.
inline constexpr char kCloseSaverFirst[] = "请先退出正在运行的屏保！";
inline constexpr char kReplaceSaverBefore[] = "文件 '";
inline constexpr char kReplaceSaverAfter[] = "' 已经存在，要替换为新的文件吗？";
inline constexpr char kCannotReplaceBefore[] = "无法替换 '";
inline constexpr char kCannotReplaceAfter[] = "'，文件可能正在使用或预览中";
inline constexpr char kInstallFailed[] =
    "屏保安装失败！你可以将这个文件的文件扩展名由EXE修改为SCR，然后将其复制到以下目录，仍然可以完成"
    "安装：";
inline constexpr char kRemoveFailed[] =
    "删除屏保文件失败！请先点击这个按钮退出程序，然后手动删除下面这个文件，即可完成卸载：";

// The configuration dialog and the information window.
inline constexpr char kSetCaption[] = "屏幕保护信息";
inline constexpr char kInfoCaption[] = "电子幻灯相册播放程序";
inline constexpr char kButtonExit[] = " 退出 ";
inline constexpr char kButtonExport[] = " 导出 ";
inline constexpr char kButtonInstall[] = "  安装  ";
inline constexpr char kButtonPlay[] = "  播放  ";
inline constexpr char kButtonInfoExit[] = "  退出  ";
inline constexpr char kTipExit[] = "退出设置程序";
inline constexpr char kTipExport[] = "输出屏保里面的图片和音乐文件";
inline constexpr char kTipInstall[] = "安装为Windows屏幕保护";
inline constexpr char kTipPlay[] = "开始播放这个幻灯";
inline constexpr char kTipInfoExit[] = "退出程序";
inline constexpr char kLabelAuthor[] = "作者：";
inline constexpr char kLabelEmail[] = "电子邮件：";
inline constexpr char kLabelWebsite[] = "网站：";
inline constexpr char kGdiplusMissing[] =
    "加载文件 gdiplus.dll "
    "错误，请通过搜索引擎找到并下载这个文件，或者从另外一台电脑复制该文件，然后放"
    "到：";

// Exporting the album's pictures and music.
inline constexpr char kExportPrompt[] = "请选择一个目录来存放导出的图片和音乐文件";
inline constexpr char kPasswordPrompt[] = "请输入密码：";
inline constexpr char kPasswordTitle[] = "密码";
inline constexpr char kWrongPassword[] = "密码错误！";
inline constexpr char kExportDone[] = "文件已经输出到以下目录：";
// A file could not be written: the export stops, what was written stays in
// the folder, which follows; then the file and the system's reason.
inline constexpr char kExportFailed[] = "导出文件失败，已经导出的文件保留在目录中：";
inline constexpr char kExportFailedFile[] = "无法写入的文件：";
// The export went through, but some files could not be made; the folder
// follows, then the list of files left out.
inline constexpr char kExportIncomplete[] = "部分文件没有导出，其余文件已经输出到以下目录：";
inline constexpr char kExportLeftOut[] = "以下文件没有导出：";
// A left-out file: what it is and its number, then why.
inline constexpr char kExportPhoto[] = "图片 ";
inline constexpr char kExportSong[] = "音乐 ";
inline constexpr char kExportLyrics[] = "歌词 ";
inline constexpr char kExportOddType[] = "（文件类型无效）";
inline constexpr char kExportUnreadable[] = "（无法从相册中读取）";
// After the first few left-out files: "……共 N 个文件".
inline constexpr char kExportMoreBefore[] = "……共 ";
inline constexpr char kExportMoreAfter[] = " 个文件";

}  // namespace lantern::texts
