#pragma once
// The error every record-set operation reports: a text the operator can read.

#include <stdexcept>

namespace confcred::dataset {

class DataSetError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace confcred::dataset
