// The page-description reader. Until the reader is written, every page
// file reads as one empty page of the job's paper.
#include "host/PageDescription.h"

#include <fstream>
#include <sstream>

namespace qvhost {

bool ParsePageDescription(std::string_view, const PageDescriptionOptions&,
                          std::vector<DescribedPage>& pages, std::string& error) {
  pages.clear();
  error.clear();
  pages.emplace_back();
  return true;
}

bool LoadPageDescriptionFile(const std::string& path, const PageDescriptionOptions& options,
                             std::vector<DescribedPage>& pages, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    pages.clear();
    error = "cannot read " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ParsePageDescription(text.str(), options, pages, error);
}

std::vector<DescribedPage> SamplePages(const PageDescriptionOptions&) {
  return std::vector<DescribedPage>(1);
}

}  // namespace qvhost
