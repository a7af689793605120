#include "wizards/selection/SelectionTable.h"

#include "common/Bstr.h"
#include "common/Result.h"
#include "resources/ImageIndex.h"

#include <new>

namespace vantrel {

ULONG ToggledState(ULONG state) noexcept {
    const ULONG image = (state & kRowStateImageMask) == kRowUnchecked ? kRowChecked : kRowUnchecked;
    return (state & ~kRowStateImageMask) | image;
}

std::vector<std::wstring> SplitComputerNames(std::wstring_view list) {
    std::vector<std::wstring> names;
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(L',', start);
        names.emplace_back(list.substr(start, comma == std::wstring_view::npos ? std::wstring_view::npos : comma - start));
        if (comma == std::wstring_view::npos) return names;
        start = comma + 1;
    }
}

namespace {

bool IsMissing(const VARIANT* value) noexcept {
    return !value || value->vt == VT_EMPTY || (value->vt == VT_ERROR && value->scode == DISP_E_PARAMNOTFOUND);
}

HRESULT PutString(VARIANT& cell, std::wstring_view text) noexcept {
    BSTR copy = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!copy) RETURN_HR(E_OUTOFMEMORY);
    ::VariantClear(&cell);
    cell.vt = VT_BSTR;
    cell.bstrVal = copy;
    return S_OK;
}

void PutFixedCells(VARIANT* imageCell, VARIANT* stateCell, LONG image, ULONG state) noexcept {
    imageCell->vt = VT_I4;
    imageCell->lVal = image;
    stateCell->vt = VT_UI4;
    stateCell->ulVal = state;
}

// The object an element of the computer array holds, if any.
IUnknown* ElementObject(const VARIANT& element) noexcept {
    const VARIANT* v = &element;
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
    switch (v->vt) {
        case VT_UNKNOWN:
        case VT_DISPATCH: return v->punkVal;
        case VT_BYREF | VT_UNKNOWN:
        case VT_BYREF | VT_DISPATCH: return v->ppunkVal ? *v->ppunkVal : nullptr;
        default: return nullptr;
    }
}

const BSTR* ElementString(const VARIANT& element) noexcept {
    const VARIANT* v = &element;
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
    if (v->vt == VT_BSTR) return &v->bstrVal;
    if (v->vt == (VT_BYREF | VT_BSTR)) return v->pbstrVal;
    return nullptr;
}

// Every element of a SAFEARRAY, whatever its dimensions, in memory order.
ULONG ElementCount(const SAFEARRAY& array) noexcept {
    if (array.cDims == 0) return 0;
    ULONG count = 1;
    for (USHORT d = 0; d < array.cDims; ++d) count *= array.rgsabound[d].cElements;
    return count;
}

// Locks an array's data for reading and unlocks it on every way out.
class ArrayData {
public:
    explicit ArrayData(SAFEARRAY* array) noexcept : array_(array) {
        if (FAILED(::SafeArrayAccessData(array_, &data_))) data_ = nullptr;
    }
    ~ArrayData() {
        if (data_) ::SafeArrayUnaccessData(array_);
    }
    ArrayData(const ArrayData&) = delete;
    ArrayData& operator=(const ArrayData&) = delete;
    const VARIANT* Elements() const noexcept { return static_cast<const VARIANT*>(data_); }

private:
    SAFEARRAY* array_;
    void* data_ = nullptr;
};

}  // namespace

HRESULT SelectionTable::Create(LONG rows, LONG columns, UniqueSafeArray& out) const {
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows), 0}, {static_cast<ULONG>(columns), 0}};
    out.Reset(::SafeArrayCreate(VT_VARIANT, 2, bounds));
    if (!out) RETURN_HR(E_OUTOFMEMORY);
    return S_OK;
}

LONG SelectionTable::RowCount() const noexcept {
    LONG upper = -1;
    if (!array_ || FAILED(::SafeArrayGetUBound(array_.Get(), 1, &upper))) return 0;
    return upper + 1;
}

LONG SelectionTable::ColumnCount() const noexcept {
    LONG upper = -1;
    if (!array_ || FAILED(::SafeArrayGetUBound(array_.Get(), 2, &upper))) return 0;
    return upper + 1;
}

VARIANT* SelectionTable::MutableCell(LONG row, LONG column) const {
    if (!array_ || row < 0 || column < 0) return nullptr;
    // Indices in the order of the bounds the table was made with.
    LONG index[2] = {row, column};
    void* cell = nullptr;
    if (FAILED(::SafeArrayPtrOfIndex(array_.Get(), index, &cell))) return nullptr;
    return static_cast<VARIANT*>(cell);
}

const VARIANT* SelectionTable::Cell(LONG row, LONG column) const { return MutableCell(row, column); }

HRESULT SelectionTable::SetComputers(const VARIANT* value, ULONG initialState) {
    array_.Reset();
    if (IsMissing(value)) return S_OK;

    UniqueSafeArray table;
    if (value->vt == VT_BSTR) {
        if (!value->bstrVal) RETURN_HR(E_POINTER);
        if (::SysStringLen(value->bstrVal) == 0) RETURN_HR(E_INVALIDARG);
        std::vector<std::wstring> names;
        try {
            names = SplitComputerNames(std::wstring_view(value->bstrVal, ::SysStringLen(value->bstrVal)));
        } catch (const std::bad_alloc&) {
            RETURN_HR(E_OUTOFMEMORY);
        }
        RETURN_IF_FAILED(Create(static_cast<LONG>(names.size()), kComputerColumns, table));
        array_ = std::move(table);
        for (LONG row = 0; row < static_cast<LONG>(names.size()); ++row) {
            const HRESULT hr = PutString(*MutableCell(row, kNameColumn), names[static_cast<size_t>(row)]);
            if (FAILED(hr)) {
                array_.Reset();
                RETURN_HR(hr);
            }
            PutFixedCells(MutableCell(row, kImageColumn), MutableCell(row, kStateColumn),
                          IMAGE_NETWORK_COMPUTER, initialState);
        }
        return S_OK;
    }

    if (value->vt != (VT_ARRAY | VT_VARIANT)) RETURN_HR(E_INVALIDARG);
    if (!value->parray) RETURN_HR(E_POINTER);
    const ULONG count = ElementCount(*value->parray);
    ArrayData data(value->parray);
    if (count && !data.Elements()) RETURN_HR(E_INVALIDARG);
    RETURN_IF_FAILED(Create(static_cast<LONG>(count), kComputerColumns, table));
    array_ = std::move(table);
    for (LONG row = 0; row < static_cast<LONG>(count); ++row) {
        const VARIANT& element = data.Elements()[row];
        PutFixedCells(MutableCell(row, kImageColumn), MutableCell(row, kStateColumn), IMAGE_NETWORK_COMPUTER,
                      initialState);
        HRESULT hr = S_OK;
        if (const BSTR* name = ElementString(element)) {
            hr = PutString(*MutableCell(row, kNameColumn), *name ? std::wstring_view(*name, ::SysStringLen(*name))
                                                                 : std::wstring_view());
        } else if (IUnknown* object = ElementObject(element)) {
            ComPtr<IBrevCompInfo> info;
            if (SUCCEEDED(ComPtr<IUnknown>(object).QueryTo(info.Put()))) {
                UniqueBstr name;
                hr = info->get_NetBIOSName(name.Put());
                if (SUCCEEDED(hr)) hr = PutString(*MutableCell(row, kNameColumn), BstrText(name.Get()));
                if (SUCCEEDED(hr)) {
                    VARIANT* cell = MutableCell(row, kComputerInfoColumn);
                    cell->vt = VT_UNKNOWN;
                    cell->punkVal = info.Detach();
                }
            }
        }
        if (FAILED(hr)) {
            array_.Reset();
            RETURN_HR(hr);
        }
    }
    return S_OK;
}

HRESULT SelectionTable::SetResources(const std::vector<ResourceRow>& rows) {
    array_.Reset();
    UniqueSafeArray table;
    RETURN_IF_FAILED(Create(static_cast<LONG>(rows.size()), kResourceColumns, table));
    array_ = std::move(table);
    for (LONG row = 0; row < static_cast<LONG>(rows.size()); ++row) {
        const ResourceRow& resource = rows[static_cast<size_t>(row)];
        HRESULT hr = PutString(*MutableCell(row, kNameColumn), resource.displayName);
        if (SUCCEEDED(hr)) hr = PutString(*MutableCell(row, kServiceNameColumn), resource.name);
        if (FAILED(hr)) {
            array_.Reset();
            RETURN_HR(hr);
        }
        PutFixedCells(MutableCell(row, kImageColumn), MutableCell(row, kStateColumn), IMAGE_SERVICE,
                      kRowUnchecked);
    }
    return S_OK;
}

ULONG SelectionTable::State(LONG row) const {
    const VARIANT* cell = Cell(row, kStateColumn);
    return cell && cell->vt == VT_UI4 ? cell->ulVal : 0;
}

void SelectionTable::SetState(LONG row, ULONG state) {
    if (VARIANT* cell = MutableCell(row, kStateColumn)) {
        ::VariantClear(cell);
        cell->vt = VT_UI4;
        cell->ulVal = state;
    }
}

std::wstring SelectionTable::Text(LONG row, LONG column) const {
    const VARIANT* cell = Cell(row, column);
    if (!cell) return {};
    switch (cell->vt) {
        case VT_BSTR: return BstrText(cell->bstrVal);
        case VT_I4: return std::to_wstring(cell->lVal);
        case VT_UI4: return std::to_wstring(cell->ulVal);
        default: return {};
    }
}

HRESULT SelectionTable::SetText(LONG row, LONG column, const wchar_t* text) {
    VARIANT* cell = MutableCell(row, column);
    if (!cell) RETURN_HR(E_INVALIDARG);
    if (!text) {
        ::VariantClear(cell);
        return S_OK;
    }
    return PutString(*cell, text);
}

ComPtr<IBrevCompInfo> SelectionTable::ComputerInfo(LONG row) const {
    ComPtr<IBrevCompInfo> info;
    const VARIANT* cell = Cell(row, kComputerInfoColumn);
    if (cell && cell->vt == VT_UNKNOWN && cell->punkVal) {
        if (FAILED(ComPtr<IUnknown>(cell->punkVal).QueryTo(info.Put()))) info.Reset();
    }
    return info;
}

std::vector<LONG> SelectionTable::CollectRows(ULONG mask) const {
    std::vector<LONG> rows;
    const LONG count = RowCount();
    for (LONG row = 0; row < count; ++row)
        if (State(row) & mask) rows.push_back(row);
    return rows;
}

std::wstring SelectionTable::JoinRows(ULONG mask, LONG column, const wchar_t* separator) const {
    std::wstring joined;
    const LONG last = RowCount() - 1;
    for (LONG row : CollectRows(mask)) {
        joined += Text(row, column);
        if (row != last && separator) joined += separator;
    }
    return joined;
}

}  // namespace vantrel
