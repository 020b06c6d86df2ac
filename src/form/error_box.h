#pragma once

// The rules of the default error handling's box that do not depend on a toolkit.
// Texts are UTF-8.

#include <string>
#include <string_view>

namespace form {

// The box's text: the message with a full stop added when its last character sorts
// after "." (a letter, a digit, any non-ASCII character); empty stays empty.
std::string ErrorBoxText(std::string_view message);

// What the box shows of a text too long to read: its first and last 8000 characters
// around an ellipsis. A box lays its text out in time that grows with its length, and
// a pasted megabyte would freeze the program for seconds.
std::string ShortenForErrorBox(std::string_view text);

} // namespace form
