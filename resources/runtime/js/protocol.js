// The bridge protocol, page side: operation names (C++ -> page), event names and widget
// event kinds (page -> C++), the keys of both, and the slots of a display list item. The
// same names are spelt once on the C++ side, in src/engine/bridge_protocol.h.
// ---------------------------------------------------------------- protocol
export const OP = Object.freeze({
  LOAD: 'load', STYLE: 'style', ATTR: 'attr', TEXT: 'text', HTML: 'html', STATE: 'state',
  ENABLE: 'enable', POPUP: 'popup', FILL: 'fill', TRACK: 'track', PAINT: 'paint',
  CHART: 'chart', LIST_SETUP: 'listsetup', LIST_COUNT: 'listcount',
  LIST_SEL: 'listsel', LIST_COLW: 'listcolw', LIST_SHOW: 'listshow', ROWS: 'rows',
  LIST_INVAL: 'listinval', TOOLTIP: 'tooltip', CALL: 'call', DIALOG: 'dialog', BEEP: 'beep',
  OPEN: 'open', REPLAYED: 'replayed',
});

export const EV = Object.freeze({
  READY: 'ready', GEOMETRY: 'geom', CLICK: 'click', COMMAND: 'command', FORM: 'form',
  LIST: 'list', STATIC: 'static', EXTERNAL: 'external',
});

// The path of a dialog's frame starts with this: a top-level window of its own.
export const DIALOG_FRAME = 'dlg/';

// Keys of operations and events.
export const KEY = Object.freeze({
  OP: 'op', EV: 'ev', FRAME: 'frame', PAGE: 'page', URL: 'url', ID: 'id', SEL: 'sel',
  NAME: 'name', VALUE: 'value', SET: 'set', CLEAR: 'clear', SHOW: 'show', X: 'x', Y: 'y',
  VALUES: 'values', IDS: 'ids', CTL: 'ctl', W: 'w', H: 'h', ITEMS: 'items', SRC: 'src',
  CHART: 'chart', COLUMNS: 'columns', ROW_HEIGHT: 'rowHeight', HEADER: 'header',
  COUNT: 'count', ROWS: 'rows', MARK: 'mark', COL: 'col', WIDTH: 'width', ROW: 'row',
  FROM: 'from', TO: 'to', PAINT: 'paint', TEXT: 'text', FN: 'fn', ARGS: 'args',
  TITLE: 'title', OPEN: 'open', FORM: 'form', BOXES: 'boxes', TAG: 'tag', ATTRS: 'attrs',
  DBL: 'dbl', KIND: 'kind', PX: 'px', PY: 'py', KEYS: 'keys', KEY: 'key', HOT: 'hot',
  HOT_X: 'hx', FOCUS: 'focus', TOP: 'top', VISIBLE: 'visible', VSCROLL: 'vscroll',
  LIST_W: 'lw', LIST_H: 'lh', METHOD: 'method',
});

// The payload of "chart": the chart, its axes and its series.
export const CHART = Object.freeze({
  W: 'w', H: 'h', PLOT: 'plot', BG: 'bg', PLOT_BG: 'plotBg', GRID: 'grid', FONT: 'font',
  X_MAX: 'xMax', X_LABELS: 'xLabels', X: 'x', Y: 'y', Y2: 'y2', BARS: 'bars', SERIES: 'series',
  TITLE: 'title', COLOR: 'color', WIDTH: 'width', TITLE_SIZE: 'titleSize', NAME: 'name',
  VALUES: 'values', AXIS2: 'axis2',
});

// The "kind" of a list or static event.
export const KIND = Object.freeze({
  CLICK: 'click', DBLCLICK: 'dblclick', RCLICK: 'rclick', KEY: 'key', ROWS: 'rows',
  SELECT: 'select', SCROLL: 'scroll', DOWN: 'down', MOVE: 'move', UP: 'up', LEAVE: 'leave',
  SIZE: 'size',
});

// A display list item: [kind, ...] with its values at these slots.
export const PAINT = Object.freeze({
  FILL: 'f', ROUND_RECT: 'r', GRADIENT: 'g', LINE: 'l', TEXT: 't', BITMAP: 'b',
  KIND: 0, LEFT: 1, TOP: 2, WIDTH: 3, HEIGHT: 4,
  FILL_COLOR: 5,
  RADIUS: 5, ROUND_FILL: 6, BORDER_COLOR: 7, BORDER_WIDTH: 8,
  GRADIENT_TOP: 5, GRADIENT_BOTTOM: 6,
  X1: 1, Y1: 2, X2: 3, Y2: 4, LINE_COLOR: 5, LINE_WIDTH: 6,
  TEXT_COLOR: 5, TEXT_VALUE: 6, ALIGN: 7, VALIGN: 8, SIZE: 9, BOLD: 10, ELLIPSIS: 11, FONT: 12,
  SRC: 5,
  // A list column of "listsetup": [title, width, align].
  COLUMN_TITLE: 0, COLUMN_WIDTH: 1, COLUMN_ALIGN: 2,
});
