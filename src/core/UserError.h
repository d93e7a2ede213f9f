#pragma once
// An error meant for the user: what() is a Polish text from the catalogue (core/Messages.h),
// in UTF-8. The error boundary shows it as it is; any other exception reaches the user only as
// a general Polish message (see RunGuarded in core/UiPorts.h).

#include <QString>

#include <stdexcept>

class UserError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    explicit UserError(const QString& text) : std::runtime_error(text.toStdString()) {}
};
