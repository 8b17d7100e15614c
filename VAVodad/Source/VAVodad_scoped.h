// A field set for a scope and put back as it was on every way out of it, an exception included.
#pragma once

template <typename T> class TScopedValue {
public:
    // Keeps the field's value, to be put back at the end of the scope.
    explicit TScopedValue(T& field) : FField(field), FSaved(field) {}
    // Keeps the field's value and sets it to value for the scope.
    TScopedValue(T& field, T value) : TScopedValue(field) { FField = value; }
    ~TScopedValue() { FField = FSaved; }
    TScopedValue(const TScopedValue&) = delete;
    TScopedValue& operator=(const TScopedValue&) = delete;

private:
    T& FField;
    T FSaved;
};
