// The files of a run over many inputs: each input file or folder, and the
// wildcards in them, turned into the list of files to convert, each with the
// output it writes in the output folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace conversion {

struct FileJob {
  std::u16string input;
  std::u16string output;
  std::uint64_t size = 0;  // of the input, as listed
};

struct FileList {
  std::vector<FileJob> jobs;
  // Inputs that name nothing, or wildcards that match no file.
  std::vector<std::u16string> not_found;
};

// A path's folder with its separator ("" for a bare name), and what
// follows it. Either separator counts.
std::u16string FolderOf(const std::u16string& path);
std::u16string NameOf(const std::u16string& path);

// The output's name for an input of the name `file_name`: without its
// extension (what follows its last "."), plus ".txt", as a dropped file's
// output is named.
std::u16string OutputNameFor(const std::u16string& file_name);

// True for a name that ends in ".htm", ".html", ".mht" or ".mhtml", in any
// case.
bool IsHtmlName(const std::u16string& file_name);
// True for a name that ends in ".mht" or ".mhtml" (a saved web page), in
// any case.
bool IsSavedPageName(const std::u16string& file_name);

// The jobs for `inputs`, in the order given; a folder's files in the order
// of their names. A folder gives its *.htm, *.html, *.mht and *.mhtml
// files, and with
// `recursive` those of its subfolders, whose outputs go into the same
// subfolders of `output_folder`. A wildcard in an input's last component is
// expanded (the Windows command shell leaves that to the program). Nothing,
// with `error` set, when two inputs would write the same output.
std::optional<FileList> ListFiles(const std::vector<std::u16string>& inputs,
                                  const std::u16string& output_folder, bool recursive,
                                  std::u16string& error);

}  // namespace conversion
