#pragma once

#include <QString>
#include <QStringList>
#include <variant>

// Why a strict JSON decode refused its input.
struct DecodingError {
    enum class Kind { typeMismatch, keyNotFound, valueNotFound, dataCorrupted };
    Kind kind;
    QString description;
    QStringList codingPath;
    QString expectedType = {}; // set for type mismatches that name the type they wanted
};

template <typename T> using Decoded = std::variant<T, DecodingError>;
