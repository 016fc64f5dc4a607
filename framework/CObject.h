#pragma once

// Root of the library's own classes, standing in for the application framework's
// base object: a virtual destructor, and no copying of objects that own handles.
class CObject {
public:
    CObject() = default;
    virtual ~CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};
