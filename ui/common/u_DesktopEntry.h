#pragma once
// Finding and reading the freedesktop ".desktop" file of an application, so that a file can be
// handed to the program the desktop names for a content type whatever the file's own type is.
// Pure functions apart from reading the files they are given; nothing is launched here.

#include <QString>
#include <QStringList>

namespace morvane {

// The "applications" folders to search, most important first, from the values of XDG_DATA_HOME
// and XDG_DATA_DIRS (each may be empty: the freedesktop defaults apply then). p_strHome is the
// user's home folder, used for the default of XDG_DATA_HOME.
QStringList DesktopApplicationDirectories(const QString& p_strDataHome,
                                          const QString& p_strDataDirs, const QString& p_strHome);

// The same, from the environment of this process.
QStringList DesktopApplicationDirectoriesFromEnvironment();

// The file of a desktop id such as "org.example.Editor.desktop" in the first folder that holds
// it; a "-" in the id may also stand for a subfolder ("kde-edit.desktop" in "kde/edit.desktop").
// Empty when none is found or the id is not a plain file name.
QString FindDesktopFile(const QString& p_strDesktopId, const QStringList& p_arrDirectories);

// The Exec value of the file's [Desktop Entry] group, with the general escapes (\s \n \t \r \\)
// resolved. Empty when the file cannot be read or has none.
QString ReadDesktopExec(const QString& p_strDesktopFile);

// The program and its arguments for opening one file: the Exec value split at unquoted spaces
// (double quotes group, backslash escapes inside them), %f %F %u %U replaced by the file name as
// one argument, %% by "%", other field codes dropped. When no file field code is present the file
// name is appended. Empty when the value is empty or its quoting is broken.
QStringList BuildDesktopCommand(const QString& p_strExec, const QString& p_strFileName);

} // namespace morvane
