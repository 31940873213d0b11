<?php
// Router for PHP's built-in web server, for local runs and tests:
//
//   php -S 127.0.0.1:8080 -t <document root> service/router.php
//
// The query endpoint runs GetSoftInfo.php from this project; everything
// else (App/ files, the updater) is served as static files from the
// document root. With REQUEST_LOG set, every request is appended to that
// file as one JSON line (method, URI, headers, body).

$log = getenv('REQUEST_LOG');
if ($log !== false && $log !== '') {
    $entry = [
        'method' => $_SERVER['REQUEST_METHOD'],
        'uri' => $_SERVER['REQUEST_URI'],
        'headers' => getallheaders(),
        'body' => file_get_contents('php://input'),
    ];
    file_put_contents($log, json_encode($entry) . "\n", FILE_APPEND | LOCK_EX);
}

$path = parse_url($_SERVER['REQUEST_URI'], PHP_URL_PATH);
if ($path === '/Novrel/Rotaprobe/GetSoftInfo.php') {
    if (getenv('ROTAPROBE_RELEASE_DIR') === false) {
        putenv('ROTAPROBE_RELEASE_DIR=' . $_SERVER['DOCUMENT_ROOT'] . '/Novrel/Rotaprobe');
    }
    require __DIR__ . '/www/Novrel/Rotaprobe/GetSoftInfo.php';
    return true;
}
return false;
