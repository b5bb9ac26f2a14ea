// Resource numbers of the map pages and the map dialogs.
#pragma once

#define IDR_MAP_PAGE_IE       103  // map page of the Internet Explorer dialog, UTF-8
#define IDR_MAP_PAGE_WEBVIEW  381  // map page of the WebView2 dialog, UTF-16 little-endian
#define IDD_MAP_IE            134  // Internet Explorer map dialog (child)
#define IDD_MAP_WEBVIEW       379  // WebView2 map dialog (child)
