#include "potsolve/settings.h"

#include "textio/reader.h"

namespace potsolve {

void read_settings(ModelStore& m, const std::string& file) {
  textio::Reader rd = textio::Reader::open(file, 1);
  m.datadir.assign(40, ' ');
  rd.read(textio::Str{m.datadir, 40});
  rd.read(m.scale);
}

std::string make_path(std::string_view datadir, std::string_view name) {
  std::string path;
  // directory: its first 40 characters without blanks, separators made '/'
  for (char c : datadir.substr(0, 40))
    if (c != ' ') path += c == '\\' ? '/' : c;
  if (!path.empty() && path.back() != '/') path += '/';
  // name: its first 40 characters without blanks
  for (char c : name.substr(0, 40))
    if (c != ' ') path += c;
  return path;
}

std::string model_path(const ModelStore& m, std::string_view name) {
  const std::string path = make_path(m.datadir, name);
  if (m.home.empty() || path.starts_with('/')) return path;
  return m.home.back() == '/' ? m.home + path : m.home + "/" + path;
}

}  // namespace potsolve
