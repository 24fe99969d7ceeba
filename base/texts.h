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

}  // namespace lantern::texts
