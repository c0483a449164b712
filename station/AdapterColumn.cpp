#include "station/AdapterColumn.h"

std::string AdapterColumn(const TPortAdapter& adapter) {
    std::string text = adapter.Product.empty() ? adapter.Maker : adapter.Product;
    const auto add = [&text](const std::string& part) {
        if (!part.empty())
            text += (text.empty() ? "" : " ") + part;
    };
    if (adapter.Known())
        add(adapter.VendorId + ":" + adapter.ProductId);
    add(adapter.Serial);
    return text;
}
