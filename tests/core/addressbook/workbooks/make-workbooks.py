#!/usr/bin/python3
"""Writes the small workbooks that the import tests read, as Excel and LibreOffice users
keep address lists. Made once and kept beside this script; run it again only to change
them (Debian 12: apt-get install python3-openpyxl python3-xlwt python3-odf):

    /usr/bin/python3 make-workbooks.py

Each book has the same two sheets. «Адреса»: a header row, a recipient whose address
cell holds two lines and whose index is stored as the number 101000, an empty row, and a
second recipient. «Партнёры»: a header row and one recipient. The .xlsx has a third sheet
«Разное»: an index of a zero-padded number format (stored as 1327, shown as 001327), a
date, and a sparse row (cells in A and D only).
"""
import datetime
import os

import openpyxl
import xlwt
from odf.opendocument import OpenDocumentSpreadsheet
from odf.table import Table, TableCell, TableRow
from odf.text import P

here = os.path.dirname(os.path.abspath(__file__))

ADDRESSES = [
    ["Имя", "Кому", "Куда", "Индекс"],
    ["Иванов Иван", "ООО «Ромашка»", "г. Москва\nул. Ленина, д. 1", 101000],
    [],
    ["Петрова Анна", "", "г. Тверь, ул. Советская, 5", 170000],
]
PARTNERS = [
    ["Имя", "Куда", "Индекс"],
    ["Сидоров Сергей", "г. Казань, ул. Баумана, 2", 420111],
]


def xlsx():
    book = openpyxl.Workbook()
    for number, (title, rows) in enumerate([("Адреса", ADDRESSES), ("Партнёры", PARTNERS)]):
        sheet = book.active if number == 0 else book.create_sheet()
        sheet.title = title
        for r, row in enumerate(rows, start=1):
            for c, value in enumerate(row, start=1):
                if value != "":
                    sheet.cell(row=r, column=c, value=value)
    other = book.create_sheet("Разное")
    other.append(["Имя", "Куда", "Индекс", "Дата"])
    other.append(["Смирнов", "г. Тула", 1327, datetime.date(2024, 3, 5)])
    other["C2"].number_format = "000000"
    other["D2"].number_format = "DD.MM.YYYY"
    other["A3"] = "Кузнецов"
    other["D3"] = "только A и D"
    book.save(os.path.join(here, "addresses.xlsx"))


def xls():
    book = xlwt.Workbook(encoding="utf-8")
    wrap = xlwt.easyxf("align: wrap on")
    for title, rows in [("Адреса", ADDRESSES), ("Партнёры", PARTNERS)]:
        sheet = book.add_sheet(title)
        for r, row in enumerate(rows):
            for c, value in enumerate(row):
                if value != "":
                    sheet.write(r, c, value, wrap)
    book.save(os.path.join(here, "addresses.xls"))


def ods():
    document = OpenDocumentSpreadsheet()
    for title, rows in [("Адреса", ADDRESSES), ("Партнёры", PARTNERS)]:
        table = Table(name=title)
        for row in rows:
            tr = TableRow()
            for value in row:
                if isinstance(value, int):
                    cell = TableCell(valuetype="float", value=value)
                    cell.addElement(P(text=str(value)))
                else:
                    cell = TableCell(valuetype="string") if value else TableCell()
                    for line in value.split("\n") if value else []:
                        cell.addElement(P(text=line))
                tr.addElement(cell)
            # LibreOffice writes the rest of a row as one cell repeated to the sheet's edge.
            tr.addElement(TableCell(numbercolumnsrepeated=1020))
            table.addElement(tr)
        table.addElement(TableRow(numberrowsrepeated=1048000))
        document.spreadsheet.addElement(table)
    document.save(os.path.join(here, "addresses.ods"))


xlsx()
xls()
ods()
