#pragma once

#include <QString>
#include <variant>

// Why a strict JSON decode refused its input.
struct DecodingError {
    enum class Kind { typeMismatch, keyNotFound, valueNotFound, dataCorrupted };
    Kind kind;
    QString description;
};

template <typename T> using Decoded = std::variant<T, DecodingError>;
