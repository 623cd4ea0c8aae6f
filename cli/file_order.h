#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zelmor::cli {

// For each conversion of a batch, the earlier ones it must wait for so that
// the files come out as they do when the conversions run one after another:
// those that write the file it writes, read the file it writes, or write the
// file it reads (directly, or through a conversion between them). `inputs` and `outputs` run in
// parallel, one pair per conversion. Paths are compared as absolute paths with links resolved as
// far as they exist.
std::vector<std::vector<std::size_t>> SharedFileOrder(const std::vector<std::string>& inputs,
                                                      const std::vector<std::string>& outputs);

}  // namespace zelmor::cli
