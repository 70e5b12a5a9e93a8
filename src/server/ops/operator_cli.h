// confcred-server operator add|passwd|disable|list: keeping operator accounts
// from the command line, on the database the server itself would open.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace confcred::server::ops {

// `args` are the words after "operator". A password is read from `in`, one
// line, never from the command line. Returns the exit code: 0 done, 1 the
// database refused (no such operator, one already there, cannot open), 2 a
// bad command line.
int runOperatorCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                       std::ostream& err);

std::string operatorUsageText();

}  // namespace confcred::server::ops
